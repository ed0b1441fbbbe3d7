// The dialogs a carer meets speak Swedish whatever the locale (ctest runs this with LANG=C and
// with LANG=sv_SE.UTF-8): the dialogs are those UserPrompt shows, built but not shown modally.

#include "platform/UserPrompt.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

using Tonlyra::PromptRequest;
using Tonlyra::UserPrompt;

namespace {

template <typename Dialog> std::unique_ptr<Dialog> Build(const PromptRequest& request)
{
    std::unique_ptr<QDialog> dialog = UserPrompt::BuildDialog(nullptr, request);
    auto* typed = qobject_cast<Dialog*>(dialog.get());
    EXPECT_NE(typed, nullptr);
    dialog.release();
    return std::unique_ptr<Dialog>(typed);
}

// Every text a user can read on the dialog's buttons, labels, group boxes and column heads.
std::set<QString> VisibleTexts(const QWidget* dialog)
{
    std::set<QString> texts{dialog->windowTitle()};
    for (const auto* b : dialog->findChildren<QAbstractButton*>())
        texts.insert(b->text());
    for (const auto* l : dialog->findChildren<QLabel*>())
        texts.insert(l->text());
    for (const auto* g : dialog->findChildren<QGroupBox*>())
        texts.insert(g->title());
    for (const auto* h : dialog->findChildren<QHeaderView*>())
        for (int i = 0; h->model() && i < h->model()->columnCount(); ++i)
            texts.insert(h->model()->headerData(i, Qt::Horizontal).toString());
    texts.erase(QString());
    return texts;
}

// Qt's English texts of these dialogs, none of which may be left.
const std::set<QString> English = {"&Yes",
                                   "&No",
                                   "Cancel",
                                   "Save",
                                   "Open",
                                   "&Open",
                                   "&Save",
                                   "Close",
                                   "Look in:",
                                   "File &name:",
                                   "Files of type:",
                                   "Name",
                                   "Size",
                                   "Type",
                                   "Date Modified",
                                   "Select Color",
                                   "&Basic colors",
                                   "&Custom colors",
                                   "&Add to Custom Colors",
                                   "&Pick Screen Color",
                                   "Hu&e:",
                                   "&Red:",
                                   "&Green:",
                                   "Bl&ue:",
                                   "&Sat:",
                                   "&Val:",
                                   "Select Font",
                                   "&Font",
                                   "Font st&yle",
                                   "&Size",
                                   "Effects",
                                   "Stri&keout",
                                   "&Underline",
                                   "Sample",
                                   "Wr&iting System"};

void ExpectNoEnglish(const QWidget* dialog)
{
    for (const QString& text : VisibleTexts(dialog))
        EXPECT_EQ(English.count(text), 0u) << "English text left: " << qPrintable(text);
}

QString ButtonText(const QDialogButtonBox* box, QDialogButtonBox::StandardButton which)
{
    const QPushButton* button = box ? box->button(which) : nullptr;
    return button ? button->text() : QStringLiteral("(no button)");
}

} // namespace

TEST(SwedishInterface, QuestionButtons)
{
    PromptRequest r;
    r.Caption = "Tonlyran";
    r.Text = "Vill du spara ändringarna?";
    r.Buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    auto box = Build<QMessageBox>(r);
    EXPECT_EQ(box->button(QMessageBox::Yes)->text(), "&Ja");
    EXPECT_EQ(box->button(QMessageBox::No)->text(), "&Nej");
    EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), "Avbryt");
    ExpectNoEnglish(box.get());

    r.Buttons = QMessageBox::Ok;
    EXPECT_EQ(Build<QMessageBox>(r)->button(QMessageBox::Ok)->text(), "OK");
}

TEST(SwedishInterface, FileDialogs)
{
    Tonlyra::Test::TempDir dir;
    QFile png(dir.File("bild.png"));
    ASSERT_TRUE(png.open(QIODevice::WriteOnly));
    png.write(QByteArray::fromHex("89504e470d0a1a0a0000000d49484452"));
    png.close();

    PromptRequest r;
    r.What = PromptRequest::Kind::OpenFile;
    r.Caption = "Öppna";
    r.Filter = "Bilder|*.png|Alla filer|*.*";
    r.InitialDirectory = dir.Path();
    auto open = Build<QFileDialog>(r);
    open->show();
    EXPECT_EQ(open->findChild<QLabel*>("lookInLabel")->text(), "Leta i:");
    EXPECT_EQ(open->findChild<QLabel*>("fileNameLabel")->text(), "Fil&namn:");
    EXPECT_EQ(open->findChild<QLabel*>("fileTypeLabel")->text(), "Filer av typen:");
    const auto* buttons = open->findChild<QDialogButtonBox*>("buttonBox");
    EXPECT_EQ(ButtonText(buttons, QDialogButtonBox::Open), "&Öppna");
    EXPECT_EQ(ButtonText(buttons, QDialogButtonBox::Cancel), "Avbryt");
    const QAbstractItemModel* model = open->findChild<QTreeView*>("treeView")->model();
    QStringList heads;
    for (int i = 0; i < model->columnCount(); ++i)
        heads << model->headerData(i, Qt::Horizontal).toString();
    EXPECT_EQ(heads, QStringList({"Namn", "Storlek", "Typ", "Ändringsdatum"}));
    ExpectNoEnglish(open.get());

    // The file's size, type and date in Swedish too.
    auto* files = open->findChild<QFileSystemModel*>();
    ASSERT_NE(files, nullptr);
    const QModelIndex name = files->index(dir.File("bild.png"));
    const auto column = [&](int c) { return files->data(name.siblingAtColumn(c)).toString(); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !column(1).isEmpty(); }, 5000));
    EXPECT_EQ(column(1), "16 byte");
    EXPECT_EQ(column(2), "PNG-bild");
    EXPECT_TRUE(
        QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d$").match(column(3)).hasMatch())
        << qPrintable(column(3));
    open->hide();

    r.What = PromptRequest::Kind::SaveFile;
    auto save = Build<QFileDialog>(r);
    EXPECT_EQ(ButtonText(save->findChild<QDialogButtonBox*>("buttonBox"), QDialogButtonBox::Save),
              "&Spara");
    ExpectNoEnglish(save.get());
}

TEST(SwedishInterface, ColourAndFontChoosers)
{
    const struct
    {
        PromptRequest::Kind What;
        QString Caption;
        QString Title;
        std::vector<QString> Texts;
    } choosers[] = {
        {PromptRequest::Kind::Color, "", "Välj färg", {"&Basfärger", "&Hämta färg från skärmen"}},
        {PromptRequest::Kind::Font, "Typsnitt för texterna", "Typsnitt för texterna",
         {"&Typsnitt", "Exempel"}},
    };
    for (const auto& c : choosers) {
        PromptRequest r;
        r.What = c.What;
        r.Caption = c.Caption;
        const std::unique_ptr<QDialog> dialog = UserPrompt::BuildDialog(nullptr, r);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), c.Title);
        const std::set<QString> texts = VisibleTexts(dialog.get());
        for (const QString& text : c.Texts)
            EXPECT_EQ(texts.count(text), 1u) << qPrintable(text);
        QStringList buttons;
        for (const auto* box : dialog->findChildren<QDialogButtonBox*>())
            if (!box->isHidden())
                for (const auto* button : box->buttons())
                    buttons << button->text();
        EXPECT_TRUE(buttons.contains("OK")) << qPrintable(buttons.join(", "));
        EXPECT_TRUE(buttons.contains("Avbryt")) << qPrintable(buttons.join(", "));
        ExpectNoEnglish(dialog.get());
    }
}

// A title bar holds the window manager's buttons beside the title: "Ingen CD-skiva" over a
// short message must not be cut.
TEST(SwedishInterface, MessageBoxIsWideEnoughForItsTitle)
{
    PromptRequest r;
    r.Caption = "Ingen CD-skiva";
    r.Text = "Ingen skiva.";
    r.Icon = QMessageBox::Warning;
    auto box = Build<QMessageBox>(r);
    box->show();
    QFont bold = QApplication::font(box.get());
    bold.setBold(true);
    const int title = QFontMetrics(bold).horizontalAdvance(r.Caption);
    EXPECT_GE(box->width(), title + 100);
    EXPECT_GE(box->frameGeometry().width(), box->width());
    box->hide();
    box->show(); // shown again: still wide enough, and no wider
    const int second = box->width();
    EXPECT_GE(second, title + 100);
    box->hide();
    box->show();
    EXPECT_EQ(box->width(), second);
}

TEST(SwedishInterface, OtherDialogsAreWideEnoughForTheirTitles)
{
    QDialog dialog;
    dialog.setWindowTitle("Kopiera spår 12 till en MP3-fil eller en wave-fil");
    dialog.resize(120, 80);
    dialog.show();
    QFont bold = QApplication::font(&dialog);
    bold.setBold(true);
    EXPECT_GE(dialog.width(), QFontMetrics(bold).horizontalAdvance(dialog.windowTitle()) + 100);
}

TEST(SwedishInterface, SwedishLocaleForNumbersAndDates)
{
    EXPECT_EQ(QLocale().language(), QLocale::Swedish);
    EXPECT_EQ(QLocale().toString(1.5), "1,5");
}
