// The annotation container: its exact text, the set operations on files and buffers, and
// reading it back.

#include "glosa32/Container.h"
#include "glosa32/glosa32.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Tonlyra::Glosa;
using Tonlyra::Test::TempDir;

namespace {

constexpr intptr_t Key = 0x1234;

class Container : public ::testing::Test
{
protected:
    void SetUp() override { InitAnnotation(Key, nullptr, 0, nullptr, ""); }
    void TearDown() override { DestroyAnnotation(Key); }

    std::string Path(const char* name) const { return Dir.File(name).toStdString(); }
    static std::string ReadBytes(const std::string& path)
    {
        QFile f(QString::fromStdString(path));
        f.open(QIODevice::ReadOnly);
        return f.readAll().toStdString();
    }
    static std::vector<int> IndexesIn(const std::string& path)
    {
        std::string text;
        ReadContainerFile(path, text);
        std::vector<int> indexes;
        for (const SetEntry& s : ReadContainer(text))
            indexes.push_back(s.Index);
        return indexes;
    }
    // Saves one rectangle of the given width as set index.
    void SaveMarked(int index, int width, const std::string& path)
    {
        ClearAnnotation(Key);
        CreateRectangle(Key, 0, 0, width, 1, 1, 0, 1, 100, 0, 0xFFFFFF);
        ASSERT_GT(SaveAnnotation(Key, index, path.c_str()), 0);
    }
    int WidthOfSet(int index, const std::string& path)
    {
        if (LoadAnnotation(Key, index, path.c_str()) != 1)
            return -1;
        const std::string block = ReadSetBlock(index, path);
        return std::stoi(block.substr(block.find("] 0 0 ") + 6)); // "[RECTANGLE] 0 0 <w> ..."
    }
    static std::string ReadSetBlock(int index, const std::string& path)
    {
        std::string text;
        ReadContainerFile(path, text);
        for (const SetEntry& s : ReadContainer(text))
            if (s.Index == index)
                return s.Block;
        return {};
    }

    TempDir Dir;
};

TEST_F(Container, OneRectangleGivesTheExactContainer)
{
    const std::string path = Path("one.ant");
    CreateRectangle(Key, 10, 20, 100, 50, 1, 0, 1, 100, 0xFF, 0xFFFFFF);
    const std::string expected = "        95         25\n"
                                 " 0         47         48\n"
                                 "45 [RECTANGLE] 10 20 100 50 1 0 1 100 FF FFFFFF\n";
    ASSERT_EQ(expected.size(), 95u);
    EXPECT_EQ(SaveAnnotation(Key, 0, path.c_str()), 95);
    std::string onDisk = expected;
    for (std::size_t p = 0; (p = onDisk.find('\n', p)) != std::string::npos; p += 2)
        onDisk.insert(p, "\r");
    EXPECT_EQ(ReadBytes(path), onDisk);

    // The same text in a buffer, with single line feeds.
    char buffer[200] = "";
    EXPECT_EQ(StreamSaveAnnotation(Key, 0, buffer, sizeof buffer), 95);
    EXPECT_EQ(std::string(buffer), expected);
}

TEST_F(Container, SavingAnEmptyListForTheOnlySetDeletesTheFile)
{
    const std::string path = Path("only.ant");
    CreateLine(Key, 0, 0, 5, 5, 1, 0, 0);
    ASSERT_GT(SaveAnnotation(Key, 4, path.c_str()), 0);
    ClearAnnotation(Key);
    EXPECT_EQ(SaveAnnotation(Key, 4, path.c_str()), 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    // Saving nothing into a missing file creates nothing.
    EXPECT_EQ(SaveAnnotation(Key, 0, path.c_str()), 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}

TEST_F(Container, SaveReplacesInPlaceAndAnEmptySaveMovesTheLastSetUp)
{
    const std::string path = Path("order.ant");
    SaveMarked(1, 11, path);
    SaveMarked(3, 33, path);
    SaveMarked(5, 55, path);
    SaveMarked(3, 34, path);
    EXPECT_EQ(IndexesIn(path), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(WidthOfSet(3, path), 34);

    ClearAnnotation(Key);
    EXPECT_GT(SaveAnnotation(Key, 1, path.c_str()), 0);
    EXPECT_EQ(IndexesIn(path), (std::vector<int>{5, 3}));
    EXPECT_EQ(WidthOfSet(5, path), 55);
}

TEST_F(Container, RenumberingSets)
{
    struct Case
    {
        const char* Name;
        std::function<int32_t(const char*)> Operation;
        std::vector<int> Indexes;       // indexes afterwards, in directory order
        std::vector<int> WidthsByIndex; // the width each resulting index holds
    };
    const std::vector<Case> cases = {
        {"remove 1", [](const char* p) { return RemoveAnnotation(Key, 1, p); }, {0, 1}, {10, 12}},
        {"insert at 1",
         [](const char* p) { return InsertAnnotation(Key, 1, p); },
         {0, 2, 3},
         {10, -1, 11, 12}},
        {"exchange 0 and 2",
         [](const char* p) { return ExchangeAnnotation(Key, 0, 2, p); },
         {2, 1, 0},
         {12, 11, 10}},
        {"exchange 1 with missing 7",
         [](const char* p) { return ExchangeAnnotation(Key, 1, 7, p); },
         {0, 7, 2},
         {10, -1, 12}},
        {"remove missing 9",
         [](const char* p) { return RemoveAnnotation(Key, 9, p); },
         {0, 1, 2},
         {10, 11, 12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = Path("renumber.ant");
        QFile::remove(QString::fromStdString(path));
        for (int i = 0; i < 3; ++i)
            SaveMarked(i, 10 + i, path);
        const int32_t length = c.Operation(path.c_str());
        std::string text;
        ReadContainerFile(path, text);
        EXPECT_EQ(length, static_cast<int32_t>(text.size()));
        EXPECT_EQ(IndexesIn(path), c.Indexes);
        for (std::size_t i = 0; i < c.WidthsByIndex.size(); ++i)
            EXPECT_EQ(WidthOfSet(int(i), path), c.WidthsByIndex[i]) << "set " << i;
    }
}

TEST_F(Container, RemovingTheLastSetLeavesTheFileAndMissingFilesGiveZero)
{
    const std::string path = Path("last.ant");
    SaveMarked(0, 5, path);
    const std::string before = ReadBytes(path);
    EXPECT_EQ(RemoveAnnotation(Key, 0, path.c_str()), 0);
    EXPECT_EQ(ReadBytes(path), before);

    const std::string missing = Path("missing.ant");
    EXPECT_EQ(RemoveAnnotation(Key, 0, missing.c_str()), 0);
    EXPECT_EQ(InsertAnnotation(Key, 0, missing.c_str()), 0);
    EXPECT_EQ(ExchangeAnnotation(Key, 0, 1, missing.c_str()), 0);
    EXPECT_EQ(LoadAnnotation(Key, 0, missing.c_str()), 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(missing)));
}

TEST_F(Container, CopyInsertsIntoTheTarget)
{
    const std::string source = Path("source.ant");
    const std::string target = Path("target.ant");
    SaveMarked(2, 77, source);
    SaveMarked(0, 10, target);
    SaveMarked(1, 11, target);
    EXPECT_GT(CopyAnnotation(Key, 2, source.c_str(), 1, target.c_str()), 0);
    EXPECT_EQ(IndexesIn(target), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(WidthOfSet(1, target), 77);
    EXPECT_EQ(WidthOfSet(2, target), 11);

    EXPECT_EQ(CopyAnnotation(Key, 5, source.c_str(), 0, target.c_str()), 0); // no such set
    EXPECT_EQ(CopyAnnotation(Key, 2, source.c_str(), 0, source.c_str()), 0); // same file
    EXPECT_EQ(CopyAnnotation(Key, 2, source.c_str(), 0, Path("none.ant").c_str()), 0);
}

TEST_F(Container, FileNamesWithSeveralDotsAreUsedAsGiven)
{
    // The picture component names a picture's container after its base name
    // ("holiday.v2.jpg" -> "holiday.ant"); the library takes any name as it stands.
    const std::string path = Path("holiday.v2.ant");
    CreateLine(Key, 1, 2, 3, 4, 1, 0, 0);
    ASSERT_GT(SaveAnnotation(Key, 0, path.c_str()), 0);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path)));
    EXPECT_FALSE(QFile::exists(Dir.File("holiday.ant")));
    EXPECT_EQ(LoadAnnotation(Key, 0, path.c_str()), 1);
}

TEST_F(Container, UnknownKeyTouchesNoFile)
{
    const std::string path = Path("k.ant");
    EXPECT_EQ(CreateRectangle(999, 0, 0, 1, 1, 1, 0, 1, 100, 0, 0), 0);
    EXPECT_EQ(SaveAnnotation(999, 0, path.c_str()), 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    EXPECT_EQ(IsAnnotation(999), 0);
}

TEST_F(Container, SaveFailuresGiveMinusOne)
{
    QFile file(Dir.File("afile"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    CreateRectangle(Key, 0, 0, 1, 1, 1, 0, 1, 100, 0, 0);
    EXPECT_EQ(SaveAnnotation(Key, 0, Path("afile/x.ant").c_str()), -1);
    EXPECT_EQ(SaveAnnotation(Key, 0, Dir.Path().toStdString().c_str()), -1); // a folder
}

// A disk that fills up (a file size limit stands in for it) fails every file function with -1
// and leaves the container byte for byte as it was, also when the new text is under Qt's write
// buffer size.
TEST_F(Container, FullDiskFailsAndKeepsTheOldContainer)
{
    const std::string path = Path("full.ant");
    const std::string other = Path("other.ant");
    for (int index : {0, 1, 2}) {
        ClearAnnotation(Key);
        for (int i = 0; i < 10; ++i)
            CreateRectangle(Key, i, i, 10, 10, 1, 0, 1, 100, 0, 0);
        ASSERT_GT(SaveAnnotation(Key, index, path.c_str()), 0);
        ASSERT_GT(SaveAnnotation(Key, index, other.c_str()), 0);
    }
    const std::string old = ReadBytes(path);
    ASSERT_GT(old.size(), 1024u);
    for (int i = 0; i < 100; ++i)
        CreateRectangle(Key, i, i, 10, 10, 1, 0, 1, 100, 0, 0);
    const std::pair<const char*, std::function<int32_t()>> operations[] = {
        {"save", [&] { return SaveAnnotation(Key, 5, path.c_str()); }},
        {"remove", [&] { return RemoveAnnotation(Key, 0, path.c_str()); }},
        {"insert", [&] { return InsertAnnotation(Key, 1, path.c_str()); }},
        {"exchange", [&] { return ExchangeAnnotation(Key, 0, 2, path.c_str()); }},
        {"copy", [&] { return CopyAnnotation(Key, 1, other.c_str(), 0, path.c_str()); }},
    };
    for (const auto& [name, operation] : operations) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Tonlyra::Test::SaveUnderFileSizeLimit(512, [&] { return operation() != -1; }), 0);
        EXPECT_EQ(ReadBytes(path), old);
    }
    EXPECT_EQ(QDir(Dir.Path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"full.ant", "other.ant"}));
}

TEST_F(Container, NoteWithTwoLinesSurvivesSaveAndLoad)
{
    const std::string path = Path("notes.ant");
    CreateNotes(Key, "first line\nsecond line", 5, 6, 120, 80, 0xFFFF, 0xFFFF, 0, "Arial", 16);
    ASSERT_GT(SaveAnnotation(Key, 0, path.c_str()), 0);
    const std::string block = ReadSetBlock(0, path);
    EXPECT_NE(block.find("first line\x01second line\n"), std::string::npos) << block;
    ASSERT_EQ(LoadAnnotation(Key, 0, path.c_str()), 1);
    char buffer[400] = "";
    ASSERT_GT(StreamSaveAnnotation(Key, 0, buffer, sizeof buffer), 0);
    EXPECT_EQ(ReadContainer(buffer)[0].Block, block);
}

TEST_F(Container, LabelTextsRoundTripByteForByte)
{
    const std::string path = Path("labels.ant");
    // A label of this program and one saved by the old program, whose letters were blanked.
    const std::string swedish =
        "R\xC3\xA4ksm\xC3\xB6rg\xC3\xA5s {x} \xC3\x85\xC3\x84\xC3\x96 \xC3\xA9";
    CreateLabel(Key, swedish.c_str(), 1, 2, 150, 24, 0xFF, 0xFF, 0, "Arial", 16);
    const std::string old = "[LABEL] 0 5 6 100 20 FF FF 0 16 0 0 0 400 0 0 0 0 0 0 0 0 "
                            "\aArial\aR ksm rg s  x ";
    char buffer[400] = "";
    const std::string oldContainer = WriteContainer({{2, BlockLine(old)}});
    std::memcpy(buffer, oldContainer.c_str(), oldContainer.size() + 1);
    ASSERT_EQ(StreamLoadAnnotation(Key, 2, buffer, sizeof buffer), 2);
    ASSERT_GT(SaveAnnotation(Key, 0, path.c_str()), 0);
    const std::string saved = ReadBytes(path);
    EXPECT_NE(saved.find("\a" + swedish + "\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find(old + "\r\n"), std::string::npos) << saved;

    ASSERT_EQ(LoadAnnotation(Key, 0, path.c_str()), 2);
    ASSERT_GT(SaveAnnotation(Key, 0, path.c_str()), 0);
    EXPECT_EQ(ReadBytes(path), saved);
}

TEST_F(Container, TooLargeAContainerIsToldOnceAndReadsNothing)
{
    const std::string path = Path("huge.ant");
    SaveMarked(0, 10, path);
    const qint64 size = MaxContainerFileSize + 1;
    ASSERT_TRUE(QFile::resize(QString::fromStdString(path), size)); // sparse: costs no disk
    const std::string message = "Can't allocate " + std::to_string(size) + " bytes!";
    for (const auto& [name, operation] :
         std::vector<std::pair<const char*, std::function<int32_t()>>>{
             {"load", [&] { return LoadAnnotation(Key, 0, path.c_str()); }},
             {"save", [&] { return SaveAnnotation(Key, 0, path.c_str()) == -1 ? 0 : 1; }},
             {"remove", [&] { return RemoveAnnotation(Key, 0, path.c_str()); }}}) {
        SCOPED_TRACE(name);
        Tonlyra::Test::ScriptedPrompts prompts;
        prompts.Button(QMessageBox::Ok);
        EXPECT_EQ(operation(), 0);
        ASSERT_EQ(prompts.Asked().size(), 1u);
        EXPECT_EQ(prompts.Asked()[0].Caption, "ReadHead");
        EXPECT_EQ(prompts.Asked()[0].Text.toStdString(), message);
        EXPECT_EQ(IsAnnotation(Key), 0);
        EXPECT_EQ(QFileInfo(QString::fromStdString(path)).size(), size);
    }
}

TEST_F(Container, StreamLoadAppendsFileLoadReplaces)
{
    CreateRectangle(Key, 1, 2, 3, 4, 1, 0, 1, 100, 0, 0);
    CreatePolygon(Key, std::vector<int32_t>{0, 10, 5}.data(), std::vector<int32_t>{0, 0, 9}.data(),
                  3, 2, 0, 2, 4, 0xFF, 0xFF00);
    char buffer[400] = "";
    const int32_t length = StreamSaveAnnotation(Key, 7, buffer, sizeof buffer);
    ASSERT_GT(length, 0);
    EXPECT_EQ(StreamLoadAnnotation(Key, 7, buffer, sizeof buffer), 4);
    EXPECT_EQ(StreamLoadAnnotation(Key, 7, buffer, sizeof buffer), 6);
    EXPECT_EQ(StreamLoadAnnotation(Key, 3, buffer, sizeof buffer), 6); // no such set

    const std::string path = Path("twice.ant");
    ClearAnnotation(Key);
    StreamLoadAnnotation(Key, 7, buffer, sizeof buffer);
    ASSERT_GT(SaveAnnotation(Key, 7, path.c_str()), 0);
    EXPECT_EQ(LoadAnnotation(Key, 7, path.c_str()), 2);
    EXPECT_EQ(LoadAnnotation(Key, 7, path.c_str()), 2);
}

TEST_F(Container, StreamFunctionsNeverWriteBeyondTheBuffer)
{
    CreateRectangle(Key, 10, 20, 100, 50, 1, 0, 1, 100, 0xFF, 0xFFFFFF);
    char buffer[96 + 8];
    std::memset(buffer, '#', sizeof buffer);
    buffer[0] = '\0';
    EXPECT_EQ(StreamSaveAnnotation(Key, 0, buffer, 95), -96); // room for 95 + NUL needed
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(StreamSaveAnnotation(Key, 0, buffer, 96), 95);
    EXPECT_EQ(buffer[96], '#');

    // A text without its NUL is read only as far as the size given.
    EXPECT_EQ(StreamInsertAnnotation(Key, 0, buffer, 20), 0);
    EXPECT_EQ(StreamLoadAnnotation(Key, 0, buffer, 40), 1); // the block lies beyond the 40 bytes
    EXPECT_EQ(StreamRemoveAnnotation(Key, 0, nullptr, 0), 0);
}

TEST_F(Container, StreamSetOperationsMatchTheFileOnes)
{
    char a[600] = "";
    char b[600] = "";
    for (int i = 0; i < 3; ++i) {
        ClearAnnotation(Key);
        CreateRectangle(Key, 0, 0, 10 + i, 1, 1, 0, 1, 100, 0, 0);
        StreamSaveAnnotation(Key, i, a, sizeof a);
    }
    EXPECT_GT(StreamRemoveAnnotation(Key, 1, a, sizeof a), 0);
    EXPECT_GT(StreamInsertAnnotation(Key, 0, a, sizeof a), 0);
    EXPECT_GT(StreamExchangeAnnotation(Key, 1, 2, a, sizeof a), 0);
    std::vector<int> indexes;
    for (const SetEntry& s : ReadContainer(a))
        indexes.push_back(s.Index);
    EXPECT_EQ(indexes, (std::vector<int>{2, 1})); // 0,2 -> 1,2 (after remove 0,1) -> swapped

    ClearAnnotation(Key);
    CreateLine(Key, 1, 1, 2, 2, 1, 0, 0);
    StreamSaveAnnotation(Key, 0, b, sizeof b);
    EXPECT_GT(StreamCopyAnnotation(Key, 1, a, sizeof a, 0, b, sizeof b), 0);
    indexes.clear();
    for (const SetEntry& s : ReadContainer(b))
        indexes.push_back(s.Index);
    EXPECT_EQ(indexes, (std::vector<int>{1, 0}));
    EXPECT_EQ(StreamCopyAnnotation(Key, 9, a, sizeof a, 0, b, sizeof b), 0);
}

TEST(ContainerReader, BlocksAreFoundThroughCrLfFiles)
{
    TempDir dir;
    const std::string path = dir.File("crlf.ant").toStdString();
    SetList sets = {{0, BlockLine("[LINE] 1 2 3 4 1 0 0") + BlockLine("[LINE] 5 6 7 8 1 0 0")},
                    {1, BlockLine("[HILITE] 1 1 9 9 FF")}};
    ASSERT_TRUE(WriteContainerFile(path, WriteContainer(sets)));
    std::string text;
    ASSERT_EQ(ReadContainerFile(path, text), FileRead::Done);
    const SetList back = ReadContainer(text);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].Block, sets[0].Block);
    EXPECT_EQ(back[1].Block, sets[1].Block);
}

TEST(ContainerReader, BlockParsing)
{
    const std::vector<Record> records = ParseBlock(
        "21 [LINE] 1 2 3 4 1 0 0\n3 []\n17 [WHATEVER] 1 2\n12 [HILITE] 1\n0 [LINE] 9 9 9 9 1 0 0\n"
        "22 [LINE] 1 1 1 1 1 0 0\n");
    ASSERT_EQ(records.size(), 3u); // the "0" record ends the block
    EXPECT_EQ(records[0].Tag, "LINE");
    EXPECT_EQ(records[0].Fields, " 1 2 3 4 1 0 0");
    EXPECT_EQ(records[1].Tag, "WHATEVER");
    EXPECT_EQ(records[2].Tag, "HILITE");
    EXPECT_TRUE(ParseBlock("-4 [LINE] 1 1 1 1 1 0 0\n").empty());
    EXPECT_TRUE(ParseBlock("no brackets here\n").empty());
}

TEST(ContainerReader, UnsoundDirectoriesAreIgnoredNotFollowed)
{
    const std::string good = BlockLine("[LINE] 1 2 3 4 1 0 0");
    const std::vector<std::string> texts = {
        "        99         75\n 0          0      99999\n 1         -5         10\n"
        " 2         97          3\n" +
            good,
        "         0 9999999999\n 0 22 5\n",
        "        40         25\n 0         47 -2147483648\n",
        "garbage garbage garbage garbage\n",
        "        22         25\n 0",
    };
    for (const std::string& text : texts) {
        const SetList sets = ReadContainer(text);
        for (const SetEntry& s : sets)
            EXPECT_LE(s.Block.size(), text.size());
    }
    EXPECT_EQ(ReadContainer(texts[0]).size(), 1u); // only set 2 lies inside the text
}

} // namespace
