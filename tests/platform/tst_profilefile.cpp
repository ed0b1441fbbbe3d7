#include "platform/ProfileFile.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using Tonlyra::ParseProfileInteger;
using Tonlyra::ProfileFile;

using Tonlyra::Test::ReadAll;

namespace {

ProfileFile Parse(const QByteArray& bytes)
{
    ProfileFile p;
    p.FromBytes(bytes);
    return p;
}

} // namespace

TEST(ProfileFile, ReadsLikeTheOldProfileCalls)
{
    const ProfileFile p = Parse("[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n"
                                "; comment=x\r\n[ Section2 ]\r\nKey = spaced value  \r\n");
    EXPECT_EQ(p.ReadString("section1", "name1"), "val1");
    EXPECT_EQ(p.ReadString("SECTION1", "NaMe1"), "val1");
    EXPECT_EQ(p.ReadString("section1", "name2"), "val2");
    EXPECT_EQ(p.ReadString("section1", "notakey", "default  "), "default");
    EXPECT_EQ(p.ReadString("nosection", "name1", "d"), "d");
    EXPECT_EQ(p.ReadString("section2", "key"), "spaced value");
    EXPECT_EQ(p.Keys("section1"), QStringList({"name1", "name2", "name4"}));
    EXPECT_EQ(p.Sections(), QStringList({"section1", "Section2"}));
    EXPECT_FALSE(p.HasKey("section1", "comment"));
}

TEST(ProfileFile, IntegersDecimalAndHexadecimal)
{
    struct Case
    {
        const char* text;
        std::optional<qint32> value;
    };
    const Case cases[] = {{"12", 12},
                          {"-1", -1},
                          {"+7", 7},
                          {" 42 ", 42},
                          {"$FF", 255},
                          {"0xff", 255},
                          {"0XFF", 255},
                          {"$FFFFFFFF", -1},
                          {"2147483647", 2147483647},
                          {"-2147483648", INT32_MIN},
                          {"2147483648", std::nullopt},
                          {"red", std::nullopt},
                          {"", std::nullopt},
                          {"0x", std::nullopt},
                          {"$", std::nullopt},
                          {"12a", std::nullopt},
                          {"$123456789", std::nullopt},
                          {"1.5", std::nullopt}};
    for (const Case& c : cases)
        EXPECT_EQ(ParseProfileInteger(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(ProfileFile, WritesInPlaceAndKeepsEveryOtherLine)
{
    ProfileFile p = Parse("; head\n[A]\nx=1\n; note\ny=2\n\n[B]\nz=3\n");
    p.WriteString("a", "Y", "20");
    p.WriteString("A", "w", "new");
    p.WriteString("C", "k", "");
    EXPECT_EQ(p.ToBytes(),
              QByteArray("; head\n[A]\nx=1\n; note\ny=20\nw=new\n\n[B]\nz=3\n[C]\nk=\n"));
    p.DeleteKey("A", "x");
    p.DeleteSection("b");
    EXPECT_EQ(p.ToBytes(), QByteArray("; head\n[A]\n; note\ny=20\nw=new\n\n[C]\nk=\n"));
}

TEST(ProfileFile, WrittenValuesReadBackAsWritten)
{
    ProfileFile p;
    const QString values[] = {"\"quoted\"", "'single'", "\"", "\"open", "a\"b\"", "''", "x"};
    for (const QString& v : values)
        p.WriteString("s", v, v);
    p.WriteString("s", "lines", "one\r\ntwo\n[s]\nlines=three");
    const ProfileFile back = Parse(p.ToBytes());
    for (const QString& v : values)
        EXPECT_EQ(back.ReadString("s", v), v) << v.toStdString();
    EXPECT_EQ(back.ReadString("s", "lines"), "one  two [s] lines=three");
    EXPECT_EQ(back.Sections(), QStringList({"s"}));
}

TEST(ProfileFile, NewFileIsCrlfInWriteOrder)
{
    ProfileFile p;
    p.WriteString("App1", "key1", "string1");
    p.WriteString("App1", "key2", "string2");
    p.WriteString("App2", "key3", "string3");
    p.WriteString("App1", "key4", "string4");
    EXPECT_EQ(p.ToBytes(), QByteArray("[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey4=string4\r\n"
                                      "[App2]\r\nkey3=string3\r\n"));
}

TEST(ProfileFile, Windows1252FallbackAndUtf8)
{
    EXPECT_EQ(Parse("[s]\nt=K\xF6r \x80\n").ReadString("s", "t"), QString::fromUtf8("Kör €"));
    EXPECT_EQ(Parse("\xEF\xBB\xBF[s]\nt=K\xC3\xB6r\n").ReadString("s", "t"),
              QString::fromUtf8("Kör"));
}

TEST(ProfileFile, WritingKeepsWhatTheFileMeant)
{
    // Byte-order marks at the start, one or two, carry no text: written again, the file must
    // read the same.
    const QByteArray cases[] = {"\xEF\xBB\xBF\xEF\xBB\xBF[s]\nk=v\n", "[s]\rk=v\r\n[t]\n\rj=w",
                                "\xEF\xBB\xBF[s]\r\nk=\xC3\xB6\r\n"};
    for (const QByteArray& bytes : cases) {
        const ProfileFile p = Parse(bytes);
        const ProfileFile again = Parse(p.ToBytes());
        EXPECT_EQ(again.Sections(), p.Sections()) << bytes.toStdString();
        for (const QString& section : p.Sections())
            for (const QString& key : p.Keys(section))
                EXPECT_EQ(again.ReadString(section, key), p.ReadString(section, key));
    }
}

TEST(ProfileFile, FailedSaveLeavesTheOldFileUntouched)
{
    Tonlyra::Test::TempDir dir;
    const QString path = dir.File("a.ini");
    ProfileFile p(path);
    p.WriteString("s", "k", "v");
    ASSERT_TRUE(p.Save());
    // A folder that is a file cannot hold the temporary file, even for root.
    QFile blocker(dir.File("notafolder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ProfileFile q(dir.File("notafolder/b.ini"));
    q.WriteString("s", "k", "v");
    int error = 0;
    EXPECT_FALSE(q.Save(&error));
    EXPECT_EQ(error, ENOTDIR);
    EXPECT_EQ(ReadAll(path), QByteArray("[s]\r\nk=v\r\n"));
}

TEST(ProfileFile, WriteFailingPartWayLeavesTheOldFileUntouched)
{
    Tonlyra::Test::TempDir dir;
    const QString path = dir.File("a.ini");
    ProfileFile p(path);
    p.WriteString("s", "k", "old");
    ASSERT_TRUE(p.Save());
    p.WriteString("s", "k", QString(5000, u'x'));
    // The first bytes can be written, the rest cannot: a disk that fills up.
    EXPECT_EQ(Tonlyra::Test::SaveUnderFileSizeLimit(64, [&] { return p.Save(); }), 0);
    EXPECT_EQ(ReadAll(path), QByteArray("[s]\r\nk=old\r\n"));
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden), QStringList({"a.ini"}));
    EXPECT_TRUE(p.Save());
    EXPECT_EQ(ReadAll(path).size(), 5000 + 9);
}

TEST(ProfileFile, BadInputNeverCrashes)
{
    Tonlyra::Test::TempDir dir;
    ProfileFile folder;
    EXPECT_FALSE(folder.Load(dir.Path()));
    EXPECT_TRUE(folder.Keys("x").isEmpty());
    ProfileFile missing;
    EXPECT_TRUE(missing.Load(dir.File("missing.ini")));
    QByteArray garbage;
    for (int i = 0; i < 100000; ++i)
        garbage.append(char((i * 7919) % 256));
    garbage.append(QByteArray(1 << 20, '='));
    ProfileFile g = Parse(garbage);
    g.WriteString("s", "k", "v");
    EXPECT_EQ(Parse(g.ToBytes()).ReadString("s", "k"), "v");
}
