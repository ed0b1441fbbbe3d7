// The property dialogs and the stamp library dialogs, answered by a dialog driver.

#include "GlosaTestHost.h"

#include "glosa32/Dialogs.h"
#include "glosa32/Instance.h"
#include "glosa32/Stamps.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <map>

using namespace Tonlyra::Glosa;
using GlosaTest::Host;

namespace {

template <typename W> W* Find(QDialog& d, const char* name)
{
    W* w = d.findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Answers each dialog (by template name) with the given action; records the order they came.
class Driver
{
public:
    explicit Driver(std::map<QString, std::function<void(QDialog&)>> actions)
        : Actions(std::move(actions))
    {
        Previous = SetDialogDriver([this](QDialog& d) {
            Seen.push_back(d.objectName());
            const auto it = Actions.find(d.objectName());
            if (it != Actions.end())
                it->second(d);
        });
    }
    ~Driver() { SetDialogDriver(Previous); }
    std::vector<QString> Seen;

private:
    std::map<QString, std::function<void(QDialog&)>> Actions;
    DialogDriver Previous;
};

void Ok(QDialog& d)
{
    Find<QPushButton>(d, "IDOK")->click();
}

TEST(Dialogs, FillDialogStoresAndShowsThePattern)
{
    Host h;
    CreateRectangle(h.Key(), 10, 10, 80, 30, 1, 0, 1, 100, 0, 0);
    h.LeftDown(10, 20);
    QString shown;
    {
        Driver driver({{"FILLSTYLE", [](QDialog& d) {
                            Find<QComboBox>(d, "203")->setCurrentText("Opaque");
                            Find<QComboBox>(d, "204")->setCurrentText("Vertical");
                            Ok(d);
                        }}});
        MenuMsg(h.Key(), 511);
    }
    AObject& r = *FindInstance(h.Key())->Entries[0].Object;
    EXPECT_EQ(r.FillPattern, 1);
    EXPECT_EQ(r.FillMode, 2);
    Driver again({{"FILLSTYLE", [&](QDialog& d) {
                       shown = Find<QComboBox>(d, "204")->currentText();
                       EXPECT_EQ(d.windowTitle(), "Fill");
                   }}});
    MenuMsg(h.Key(), 511);
    EXPECT_EQ(shown, "Vertical");
    EXPECT_EQ(r.FillPattern, 1); // cancelled
}

TEST(Dialogs, LineDialogChangesStyleAndWidth)
{
    Host h;
    CreateLine(h.Key(), 10, 10, 100, 10, 1, 0, 0);
    h.LeftDown(50, 10);
    Driver driver({{"LINESTYLE", [](QDialog& d) {
                        EXPECT_EQ(Find<QComboBox>(d, "201")->count(), 6);
                        Find<QComboBox>(d, "201")->setCurrentText("Dash-Dot");
                        Find<QLineEdit>(d, "202")->setText("4");
                        Ok(d);
                    }}});
    MenuMsg(h.Key(), 510);
    EXPECT_EQ(FindInstance(h.Key())->Entries[0].Object->Serialize(), "[LINE] 10 10 100 10 4 3 0");
}

TEST(Dialogs, TextDialogReplacesTheNoteText)
{
    Host h;
    CreateNotes(h.Key(), "old", 10, 10, 80, 60, 0xFFFF, 0xFFFF, 0, "Arial", 14);
    h.LeftDown(20, 20);
    Driver driver({{"DIALOGTEXT", [](QDialog& d) {
                        EXPECT_EQ(Find<QPlainTextEdit>(d, "101")->toPlainText(), "old");
                        Find<QPlainTextEdit>(d, "101")->setPlainText("new\ntext");
                        Ok(d);
                    }}});
    MenuMsg(h.Key(), 101);
    EXPECT_EQ(static_cast<ANotes&>(*FindInstance(h.Key())->Entries[0].Object).Text, "new\ntext");
}

TEST(Dialogs, TextFileActionsReportFailures)
{
    Host h;
    Tonlyra::Test::TempDir dir;
    Tonlyra::Test::ScriptedPrompts prompts;
    prompts.File(dir.File("afile")).File(dir.File("afile/x.txt")).Button(QMessageBox::Ok);
    QFile f(dir.File("afile"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("from file");
    f.close();
    CreateLabel(h.Key(), "Label", 10, 10, 80, 30, 0xFF, 0xFF, 0, "Arial", 14);
    h.LeftDown(20, 20);
    Driver driver({{"DIALOGTEXT", [](QDialog& d) {
                        Find<QPushButton>(d, "104")->click();
                        EXPECT_EQ(Find<QPlainTextEdit>(d, "101")->toPlainText(), "from file");
                        Find<QPushButton>(d, "103")->click(); // cannot be written
                    }}});
    MenuMsg(h.Key(), 101);
    ASSERT_EQ(prompts.Asked().size(), 3u);
    EXPECT_TRUE(prompts.Asked()[2].Text.startsWith("Could not write file "));
    EXPECT_EQ(static_cast<ALabel&>(*FindInstance(h.Key())->Entries[0].Object).Text, "Label");
}

TEST(Dialogs, TextSavedOntoAFullDiskKeepsTheOldFile)
{
    Tonlyra::Test::TempDir dir;
    const QString path = dir.File("text.txt");
    Tonlyra::Test::WriteAll(path, "old text");
    EXPECT_EQ(
        Tonlyra::Test::SaveUnderFileSizeLimit(
            4,
            [&] {
                Host h;
                Tonlyra::Test::ScriptedPrompts prompts;
                prompts.File(path).Button(QMessageBox::Ok);
                CreateLabel(h.Key(), "A longer label", 10, 10, 80, 30, 0xFF, 0xFF, 0, "Arial", 14);
                h.LeftDown(20, 20);
                Driver driver(
                    {{"DIALOGTEXT", [](QDialog& d) { Find<QPushButton>(d, "103")->click(); }}});
                MenuMsg(h.Key(), 101);
                return prompts.Asked().size() == 2 &&
                       prompts.Asked()[1].Text.startsWith("Could not write file ");
            }),
        1);
    EXPECT_EQ(Tonlyra::Test::ReadAll(path), "old text");
}

TEST(Dialogs, HostGoingAwayDuringADialogChangesNothing)
{
    // The host destroys the instance, then its window, while a dialog is open.
    auto* h = new Host;
    const intptr_t key = h->Key();
    CreateRectangle(key, 10, 10, 80, 30, 1, 0, 1, 100, 0, 0);
    h->LeftDown(10, 20);
    Driver driver({{"LINESTYLE",
                    [&](QDialog& d) {
                        Find<QLineEdit>(d, "202")->setText("9");
                        DestroyAnnotation(key);
                        Ok(d);
                    }},
                   {"FILLSTYLE", [&](QDialog&) { delete h; }}});
    MenuMsg(key, 510);
    EXPECT_EQ(IsAnnotation(key), 0);
    EXPECT_EQ(FindInstance(key), nullptr);

    h = new Host;
    CreateRectangle(h->Key(), 10, 10, 80, 30, 1, 0, 1, 100, 0, 0);
    h->LeftDown(10, 20);
    MenuMsg(h->Key(), 511); // the window and with it the dialog are deleted meanwhile
    EXPECT_EQ(driver.Seen, (std::vector<QString>{"LINESTYLE", "FILLSTYLE"}));
}

class StampDialogs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Path = Dir.File("glosa_anno.ini").toStdString();
        StampDefinition image;
        image.Type = 0;
        image.Name = "LOGO";
        image.Text = "/nowhere/logo.png";
        ASSERT_TRUE(WriteStampLibrary(Path, {image}));
        SetStampClock(QDateTime(QDate(2001, 3, 5), QTime(9, 30)));
    }
    void TearDown() override { SetStampClock(QDateTime()); }
    Tonlyra::Test::TempDir Dir;
    std::string Path;
};

TEST_F(StampDialogs, NewTextStampIsStoredUpperCaseAndPlaced)
{
    Host h(Path.c_str());
    Driver driver({
        {"STAMP",
         [](QDialog& d) {
             EXPECT_EQ(Find<QListWidget>(d, "211")->count(), 1);
             Find<QPushButton>(d, "212")->click();
             EXPECT_EQ(Find<QListWidget>(d, "211")->currentItem()->text(), "OK");
             EXPECT_EQ(Find<QLabel>(d, "230")->text(), "Paid %D");
             Ok(d);
         }},
        {"TEXTSTAMP",
         [](QDialog& d) {
             Find<QLineEdit>(d, "221")->setText("ok");
             Find<QLineEdit>(d, "222")->setText("Paid ");
             Find<QPushButton>(d, "224")->click();
             Ok(d);
         }},
    });
    MenuMsg(h.Key(), KindStamp);
    h.Drag(30, 40, 35, 45);
    EXPECT_EQ(driver.Seen, (std::vector<QString>{"STAMP", "TEXTSTAMP"}));
    AObject& stamp = *FindInstance(h.Key())->Entries.at(0).Object;
    EXPECT_EQ(stamp.Serialize(), "[STAMP] 30 40 \aOK\aPaid 03/05/2001");
    EXPECT_GT(stamp.Width, 10);
    const std::vector<StampDefinition> library = ReadStampLibrary(Path);
    ASSERT_EQ(library.size(), 2u);
    EXPECT_EQ(library[1].Name, "OK");
    EXPECT_EQ(library[1].Text, "Paid %D");
    EXPECT_EQ(library[1].Font.FaceName, "Times New Roman");
}

// The dialog writes the library back whenever a stamp is chosen. On a full disk the stamp is
// still placed, the carer is told, and the library stays as it was.
TEST_F(StampDialogs, FullDiskKeepsTheLibraryAndSaysSo)
{
    const QByteArray old = Tonlyra::Test::ReadAll(QString::fromStdString(Path));
    const QString message =
        "Could not write file " + QString::fromStdString(Path) + "\nFilen är för stor.";
    EXPECT_EQ(Tonlyra::Test::SaveUnderFileSizeLimit(
                  10,
                  [&] {
                      Host h(Path.c_str());
                      Tonlyra::Test::ScriptedPrompts prompts;
                      prompts.AllowUnanswered();
                      Driver driver({{"STAMP", [](QDialog& d) {
                                          Find<QListWidget>(d, "211")->setCurrentRow(0);
                                          Ok(d);
                                      }}});
                      MenuMsg(h.Key(), KindStamp);
                      h.Drag(30, 40, 35, 45);
                      bool told = false;
                      for (const auto& asked : prompts.Asked())
                          told |= asked.Text == message;
                      return told && IsAnnotation(h.Key()) == 1;
                  }),
              1);
    EXPECT_EQ(Tonlyra::Test::ReadAll(QString::fromStdString(Path)), old);
}

TEST_F(StampDialogs, NoToTheDeleteQuestionKeepsTheEntry)
{
    Host h(Path.c_str());
    CreateStamp(h.Key(), 10, 10, "MISSING");
    h.LeftDown(11, 11);
    Tonlyra::Test::ScriptedPrompts prompts;
    prompts.AllowUnanswered(); // the image stamp's picture cannot be loaded
    prompts.Button(QMessageBox::No);
    Driver driver({{"STAMP", [](QDialog& d) {
                        auto* list = Find<QListWidget>(d, "211");
                        list->setCurrentRow(0);
                        Find<QPushButton>(d, "228")->click();
                        EXPECT_EQ(list->count(), 1);
                    }}});
    MenuMsg(h.Key(), 231);
    EXPECT_EQ(driver.Seen, (std::vector<QString>{"STAMP"}));
    ASSERT_GE(prompts.Asked().size(), 1u);
    EXPECT_EQ(prompts.Asked()[0].Text, "Stamp 'LOGO' is about to be deleted.  Are you sure?");
    EXPECT_EQ(prompts.Asked()[0].Caption, "Rubber Stamp");
    EXPECT_EQ(ReadStampLibrary(Path).size(), 1u);
}

} // namespace
