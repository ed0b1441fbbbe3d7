// The picture base browser and the preview window, on picture bases written by the test in a
// system folder of its own; Execute is worked through the dialog's controls (offscreen).

#include "overlay/FindDialog.h"
#include "overlay/PictureBaseDialogUnit.h"
#include "overlay/PreviewFormUnit.h"
#include "picture/TMultiP.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

using namespace Tonlyra::Test;

namespace {

const QString EditorFilter = QStringLiteral("Alla bilder|*.bmp;*.png;*.jpg|Bitmap|*.bmp");

void WritePicture(const QString& path, QColor colour)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path)) << path.toStdString();
}

QString Lines(std::initializer_list<const char*> lines)
{
    QString text;
    for (const char* line : lines)
        text += QString::fromUtf8(line) + QStringLiteral("\r\n");
    return text;
}

// A system folder with:
//   Djur.ini    two folders, Extension "BMP" over ".bmp"/".BMP" files; categories with "Antal"
//               and "Kod", one category without pictures, and a picture whose file is gone;
//   Bilder.ini  no "Grupper": the one category "Bilder";
//   Ljud.ini    an extension the filter does not name; Tom.ini no file of its extension;
//   glosa_txt.ini and Ingen.ini  not picture bases.
class PictureBase : public ::testing::Test
{
protected:
    void SetUp() override
    {
        OldSystem = qgetenv("TONLYRA_SYSTEM_DIR");
        qputenv("TONLYRA_SYSTEM_DIR", System.Path().toLocal8Bit());
        A = Pictures.File("a");
        B = Pictures.File("b");
        WritePicture(A + "/hund.bmp", Qt::red);
        WritePicture(B + "/Katt.BMP", Qt::green);
        WritePicture(B + "/varg.bmp", Qt::blue);
        WritePicture(B + "/lo.bmp", Qt::yellow);
        WritePicture(A + "/uggla.bmp", Qt::cyan);
        WritePicture(Pictures.File("c/sol.png"), Qt::yellow);
        WritePicture(Pictures.File("c/mane.png"), Qt::white);
        WriteAll(Pictures.File("d/ljud.wav"), "RIFF");
        WriteAll(System.File("Djur.ini"),
                 (Lines({"[ProgDir]"}) + "Dir=" + A + ";" + B + "\r\n" +
                  Lines({"Extension=BMP", "[Grupper]", "Antal=4",     "1=Husdjur", "2=Tomma",
                         "3=Vilda",       "4=Fåglar",  "[Husdjur]",   "Antal=2",   "Kod=7",
                         "hund=Hund",     "katt=Katt", "[Tomma]",     "Antal=0",   "[Vilda]",
                         "varg=Varg",     "lo=Lodjur", "bjorn=Björn", "[Fåglar]",  "uggla=Uggla"}))
                     .toUtf8());
        WriteAll(System.File("Bilder.ini"),
                 (Lines({"[ProgDir]"}) + "Dir=" + Pictures.File("c") + "\r\n" +
                  Lines({"Extension=png", "[Bilder]", "sol=Sol", "mane=Måne"}))
                     .toUtf8());
        WriteAll(System.File("Ljud.ini"),
                 (Lines({"[ProgDir]"}) + "Dir=" + Pictures.File("d") + "\r\n" +
                  Lines({"Extension=WAV", "[Bilder]", "ljud=Ljud"}))
                     .toUtf8());
        WriteAll(System.File("Tom.ini"), (Lines({"[ProgDir]"}) + "Dir=" + Pictures.File("c") +
                                          "\r\n" + Lines({"Extension=JPG"}))
                                             .toUtf8());
        WriteAll(System.File("glosa_txt.ini"), Lines({"[Texter]", "1=Linje"}).toUtf8());
        WriteAll(System.File("Ingen.ini"), Lines({"[ProgDir]", "Dir=/"}).toUtf8());

        Preview = std::make_unique<TPreviewForm>();
        PreviewForm = Preview.get();
        Dialog = std::make_unique<TPictureBaseDialog>();
        Dialog->PreviewForm = PreviewForm;
        Dialog->SetFilter(EditorFilter);
    }
    void TearDown() override
    {
        Dialog.reset();
        PreviewForm = nullptr;
        Preview.reset();
        qputenv("TONLYRA_SYSTEM_DIR", OldSystem);
    }

    // Runs Execute with act working the shown dialog.
    bool Execute(std::function<bool(TPictureBaseDialog&)> act)
    {
        Prompts.Dialog([&](QDialog&) { return act(*Dialog); });
        return Dialog->Execute();
    }
    void ChooseBase(const QString& name)
    {
        Dialog->BaseComboBox->setCurrentIndex(Dialog->BaseComboBox->findText(name));
        Dialog->BaseComboBoxChange();
    }
    void ChooseGroup(int index)
    {
        Dialog->GroupComboBox->setCurrentIndex(index);
        Dialog->GroupComboBoxChange();
    }
    QStringList Items(QComboBox* box)
    {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        return items;
    }
    QStringList Pictures_()
    {
        QStringList items;
        for (int i = 0; i < Dialog->PictureListBox->count(); ++i)
            items << Dialog->PictureListBox->item(i)->text();
        return items;
    }
    void Find(const QString& text, bool wholeWord = false)
    {
        Dialog->FindDialog->SetFindText(text);
        Dialog->FindDialog->WholeWordBox->setChecked(wholeWord);
        Dialog->FindDialog->FindNextButton->click();
    }

    TempDir System;
    TempDir Pictures;
    QString A, B;
    QByteArray OldSystem;
    ScriptedPrompts Prompts;
    std::unique_ptr<TPreviewForm> Preview;
    TPreviewForm* PreviewForm = nullptr;
    std::unique_ptr<TPictureBaseDialog> Dialog;
};

TEST_F(PictureBase, WhichBasesQualify)
{
    EXPECT_TRUE(Dialog->HasPictureBase());
    // The dialog opens on the first base with the pictures of its first category.
    Execute([&](TPictureBaseDialog& d) {
        EXPECT_EQ(Items(d.BaseComboBox), (QStringList{"Bilder", "Djur"}));
        EXPECT_EQ(d.BaseComboBox->currentIndex(), 0);
        EXPECT_EQ(Pictures_(), (QStringList{"Sol", "Måne"}));
        EXPECT_TRUE(d.SearchButton->isEnabled());
        ChooseBase("Djur");
        return false;
    });
    // Then on the base last used, as long as it still qualifies.
    Execute([&](TPictureBaseDialog& d) {
        EXPECT_EQ(d.BaseComboBox->currentText(), "Djur");
        EXPECT_EQ(d.GroupComboBox->currentIndex(), 0);
        EXPECT_EQ(Pictures_(), (QStringList{"Hund", "Katt"}));
        return false;
    });
    // The filter decides which kinds may be offered ("Ljud" qualifies once WAV is named).
    Dialog->SetFilter("Bitmap|*.bmp|Ljud|*.wav");
    EXPECT_EQ(Dialog->Filter, "BITMAP|*.BMP|LJUD|*.WAV");
    Execute([&](TPictureBaseDialog& d) {
        EXPECT_EQ(Items(d.BaseComboBox), (QStringList{"Djur", "Ljud"}));
        EXPECT_EQ(d.BaseComboBox->currentText(), "Djur");
        return false;
    });
    Dialog->SetFilter("Metafiler|*.wmf");
    EXPECT_FALSE(Dialog->HasPictureBase());
    Execute([&](TPictureBaseDialog& d) {
        EXPECT_EQ(d.BaseComboBox->count(), 0);
        EXPECT_EQ(d.PictureListBox->count(), 0);
        return false;
    });
}

TEST_F(PictureBase, CategoriesAndPictures)
{
    Execute([&](TPictureBaseDialog& d) {
        ChooseBase("Djur");
        EXPECT_EQ(d.Dir, A + ";" + B);
        EXPECT_EQ(d.Extension, "BMP");
        EXPECT_EQ(Items(d.GroupComboBox), (QStringList{"Husdjur", "Tomma", "Vilda", "Fåglar"}));
        EXPECT_EQ(d.GroupComboBox->currentIndex(), 0);
        EXPECT_EQ(Pictures_(), (QStringList{"Hund", "Katt"}));
        EXPECT_EQ(d.PictureKeys, (QStringList{"hund", "katt"}));
        EXPECT_TRUE(d.SearchButton->isEnabled());
        ChooseGroup(1);
        EXPECT_EQ(d.PictureListBox->count(), 0);
        ChooseGroup(2);
        EXPECT_EQ(Pictures_(), (QStringList{"Varg", "Lodjur", "Björn"}));

        ChooseBase("Bilder"); // no "Grupper"
        EXPECT_EQ(Items(d.GroupComboBox), (QStringList{"Bilder"}));
        EXPECT_EQ(Pictures_(), (QStringList{"Sol", "Måne"}));
        return false;
    });
}

// A picture's file is found in either folder, spelled as on disk; a picture whose file has gone
// is still listed and previews as nothing.
TEST_F(PictureBase, ChoosingAPictureShowsItsFileAsSpelledOnDisk)
{
    EXPECT_TRUE(Execute([&](TPictureBaseDialog& d) {
        EXPECT_TRUE(PreviewForm->isVisible());
        EXPECT_EQ(PreviewForm->frameGeometry().topLeft(),
                  QGuiApplication::primaryScreen()->geometry().topLeft());
        EXPECT_EQ(PreviewForm->windowTitle(), "Förhandsgranskning");
        EXPECT_FALSE(PreviewForm->Image->HasPicture());
        ChooseBase("Djur");
        struct Case
        {
            int Group, Row;
            QString Name, Path;
            bool Shown;
        } cases[] = {
            {0, 0, "Hund", A + "/hund.bmp", true},   {0, 1, "Katt", B + "/Katt.BMP", true},
            {2, 0, "Varg", B + "/varg.bmp", true},   {2, 2, "Björn", A + "/bjorn.BMP", false},
            {3, 0, "Uggla", A + "/uggla.bmp", true},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.Name.toStdString());
            ChooseGroup(c.Group);
            d.PictureListBox->setCurrentRow(c.Row); // as the user's click or arrow key does
            EXPECT_EQ(d.PictureNameEdit->text(), c.Name);
            EXPECT_EQ(d.ChosenPicture, c.Path);
            EXPECT_EQ(PreviewForm->Image->HasPicture(), c.Shown);
        }
        d.PictureListBox->setCurrentRow(-1);
        return true;
    }));
    EXPECT_EQ(Dialog->ChosenPicture, A + "/uggla.bmp");
    EXPECT_FALSE(PreviewForm->isVisible());

    // The choice stays for the next use; OK without a click hands it back again.
    EXPECT_TRUE(Execute([&](TPictureBaseDialog& d) {
        EXPECT_EQ(d.PictureNameEdit->text(), "");
        d.OKButton->click();
        return false;
    }));
    EXPECT_EQ(Dialog->ChosenPicture, A + "/uggla.bmp");
}

TEST_F(PictureBase, SearchWalksTheCategories)
{
    Prompts.Dialog([&](QDialog&) {
        TPictureBaseDialog& d = *Dialog;
        ChooseBase("Djur");
        ChooseGroup(2);
        d.PictureListBox->setCurrentRow(1); // Lodjur: the carer's selection before searching
        d.SearchButton->click();
        EXPECT_TRUE(d.FindDialog->isVisible());
        EXPECT_EQ(d.FindDialog->FindText(), "");
        EXPECT_FALSE(d.FindDialog->FindNextButton->isEnabled());

        // Only in the last category, found from the start whatever was selected.
        Find("ugg");
        EXPECT_EQ(d.GroupComboBox->currentText(), "Fåglar");
        EXPECT_EQ(d.PictureNameEdit->text(), "Uggla");
        EXPECT_EQ(d.ChosenPicture, A + "/uggla.bmp");
        EXPECT_TRUE(PreviewForm->Image->HasPicture());

        // One hit after the other, then the end: the selection before the search comes back.
        ChooseGroup(2);
        d.PictureListBox->setCurrentRow(1); // Lodjur
        d.SearchButton->click();
        for (const char* hit : {"Katt", "Varg", "Uggla"}) {
            Find("A");
            EXPECT_EQ(d.PictureNameEdit->text(), hit);
        }
        EXPECT_EQ(Prompts.Asked().size(), 1u); // the dialog itself
        Find("A");
        EXPECT_EQ(Prompts.Asked().size(), 2u);
        EXPECT_EQ(Prompts.Asked().back().Caption, "Meddelande");
        EXPECT_EQ(Prompts.Asked().back().Text, "Sökningen är färdig");
        EXPECT_EQ(d.GroupComboBox->currentText(), "Vilda");
        EXPECT_EQ(d.PictureListBox->currentRow(), 1);
        EXPECT_EQ(d.PictureNameEdit->text(), "Lodjur");
        EXPECT_EQ(d.ChosenPicture, B + "/lo.bmp");
        EXPECT_TRUE(d.SearchFromStart);

        // Whole words: a part of a name finds nothing, the whole name is found.
        Find("lod", true);
        EXPECT_EQ(Prompts.Asked().size(), 3u);
        EXPECT_EQ(d.PictureNameEdit->text(), "Lodjur");
        Find("lodjur", true);
        EXPECT_EQ(d.PictureNameEdit->text(), "Lodjur");
        EXPECT_EQ(d.GroupComboBox->currentText(), "Vilda");
        return false;
    });
    Prompts.Button(QMessageBox::Ok).Button(QMessageBox::Ok);
    EXPECT_FALSE(Dialog->Execute());
    EXPECT_FALSE(Dialog->FindDialog->isVisible());
    EXPECT_EQ(Prompts.Remaining(), 0);
}

// With no picture selected before the search, an empty search ends with an empty preview and
// the choice made before the search.
TEST_F(PictureBase, FruitlessSearchWithoutASelection)
{
    Dialog->ChosenPicture = "/earlier.png";
    Prompts.Dialog([&](QDialog&) {
        TPictureBaseDialog& d = *Dialog;
        ChooseBase("Djur");
        d.SearchButton->click();
        Find("Kat");
        EXPECT_EQ(d.ChosenPicture, B + "/Katt.BMP");
        Find("Kat");
        EXPECT_EQ(d.GroupComboBox->currentText(), "Husdjur");
        EXPECT_EQ(d.PictureListBox->currentRow(), -1);
        EXPECT_EQ(d.PictureNameEdit->text(), "");
        EXPECT_FALSE(PreviewForm->Image->HasPicture());
        EXPECT_EQ(d.ChosenPicture, "/earlier.png");
        return false;
    });
    Prompts.Button(QMessageBox::Ok);
    Dialog->Execute();
}

// The bundled demo base, in the folder run-demo.sh makes the system folder.
TEST(PictureBaseDialog, DemoBaseShowsTheDemoPictures)
{
    const QByteArray old = qgetenv("TONLYRA_SYSTEM_DIR");
    qputenv("TONLYRA_SYSTEM_DIR", (SourceDir() + "/demo/System").toLocal8Bit());
    TPreviewForm preview;
    TPictureBaseDialog dialog;
    dialog.PreviewForm = &preview;
    dialog.SetFilter(EditorFilter);
    EXPECT_TRUE(dialog.HasPictureBase());
    ScriptedPrompts prompts;
    prompts.Dialog([&](QDialog&) {
        EXPECT_EQ(dialog.BaseComboBox->itemText(0), "Demobilder");
        dialog.BaseComboBox->setCurrentIndex(0);
        dialog.BaseComboBoxChange();
        EXPECT_EQ(dialog.GroupComboBox->count(), 2);
        EXPECT_EQ(dialog.PictureListBox->count(), 5);
        dialog.PictureListBox->setCurrentRow(1);
        EXPECT_EQ(dialog.PictureNameEdit->text(), "Måne");
        // Scaled to the window keeping its proportions, and centred.
        const QRect shown = preview.Image->PictureRect();
        const QSize room = preview.Image->contentsRect().size();
        EXPECT_TRUE(shown.width() == room.width() || shown.height() == room.height());
        EXPECT_LE(std::abs(shown.center().x() - room.width() / 2), 1);
        EXPECT_LE(std::abs(shown.center().y() - room.height() / 2), 1);
        return true;
    });
    EXPECT_TRUE(dialog.Execute());
    EXPECT_EQ(QFileInfo(dialog.ChosenPicture).canonicalFilePath(),
              QFileInfo(SourceDir() + "/demo/Pictures/mane.png").canonicalFilePath());
    qputenv("TONLYRA_SYSTEM_DIR", old);
}

TEST(PictureBaseDialog, FindDialogPlacement)
{
    const QRect screen(0, 0, 1280, 800);
    const QRect dialog(400, 250, 480, 320);
    const QRect preview(0, 0, 212, 200);
    struct Case
    {
        QRect Find, Placed;
    } cases[] = {
        {QRect(500, 300, 300, 90), QRect(500, 160, 300, 90)}, // over the dialog: moved above it
        {QRect(500, 50, 300, 90), QRect(500, 50, 300, 90)},   // clear of it: stays
        {QRect(150, 300, 300, 300), QRect(212, 0, 300, 300)}, // not above the screen's top
        {QRect(100, 20, 200, 90), QRect(212, 20, 200, 90)},   // right of the preview
    };
    for (const Case& c : cases)
        EXPECT_EQ(TPictureBaseDialog::FindDialogPlace(c.Find, dialog, preview, screen), c.Placed)
            << c.Find.x() << "," << c.Find.y();
}

} // namespace
