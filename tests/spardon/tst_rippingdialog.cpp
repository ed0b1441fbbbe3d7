#include "spardon/CDRIP.h"
#include "spardon/LameCoder.h"
#include "spardon/ripp1.h"

#include "tests/spardon/SpardonTestUtil.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace Tonlyra::Test;
using Tonlyra::Spardon::LastCopyFileName;

namespace {

class RippingDialog : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Dir = new TempDir;
        Cue = WriteCdImage(Dir->Path(), QStringLiteral("disc"),
                           {{600, 440.0}, {400, 550.0}, {200, 660.0}});
    }
    static void TearDownTestSuite()
    {
        delete Dir;
        Dir = nullptr;
    }
    void SetUp() override
    {
        Drives = std::make_unique<CdDriveOverride>(QStringList{Cue});
        Dialog = std::make_unique<TRippingDialog>();
    }

    static TempDir* Dir;
    static QString Cue;
    std::unique_ptr<CdDriveOverride> Drives;
    std::unique_ptr<TRippingDialog> Dialog;
    TempDir Out;
    ScriptedPrompts Prompts;
};
TempDir* RippingDialog::Dir = nullptr;
QString RippingDialog::Cue;

TEST_F(RippingDialog, StartsAsTheResourceSetsIt)
{
    EXPECT_EQ(Dialog->windowTitle(), QStringLiteral("Kopiera CD-ljudspår till ljud-fil"));
    EXPECT_FALSE(Dialog->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(Dialog->MP3RadioButton->isChecked());
    EXPECT_EQ(Dialog->QualityComboBox->currentText(), QStringLiteral("Normal"));
    EXPECT_EQ(Dialog->QualityComboBox->count(), 2);
    EXPECT_TRUE(Dialog->CDRIP1->Encode);
    EXPECT_TRUE(Dialog->CDRIP1->WriteWAV);
    EXPECT_EQ(Dialog->CDRIP1->Coder(), Dialog->LameCoder1);
    EXPECT_EQ(Dialog->LameCoder1->Bitrate(), 128);
    EXPECT_FALSE(Dialog->CopyResult);
    EXPECT_TRUE(Dialog->ProgressPanel->isHidden());
}

TEST_F(RippingDialog, PreparesOnlyTracksAndRangesOnTheDisc)
{
    EXPECT_FALSE(Dialog->PrepareTrack(0));
    EXPECT_FALSE(Dialog->PrepareTrack(4));
    EXPECT_FALSE(Dialog->PrepareRange(1, 5000, 5000));
    EXPECT_FALSE(Dialog->PrepareRange(1, -1, 5000));
    EXPECT_FALSE(Dialog->PrepareRange(9, 0, 5000));
    ASSERT_TRUE(Dialog->PrepareRange(3, 0, 2000));
    EXPECT_EQ(Dialog->MP3RadioButton->text(), QStringLiteral("Kopiera spår 3 till &MP3-fil"));
    EXPECT_EQ(Dialog->WaveRadioButton->text(), QStringLiteral("Kopiera spår 3 till &wave-fil"));
    EXPECT_TRUE(Dialog->CopyRangeMode);
    EXPECT_EQ(Dialog->CopyStart, 0);
    EXPECT_EQ(Dialog->CopyLength, 2000);
    ASSERT_TRUE(Dialog->PrepareTrack(2));
    EXPECT_FALSE(Dialog->CopyRangeMode);
    EXPECT_EQ(Dialog->CopyTrack, 2);
}

TEST_F(RippingDialog, FormatAndQualityChoices)
{
    Dialog->WaveRadioButton->click();
    EXPECT_TRUE(Dialog->QualityComboBox->isHidden());
    EXPECT_TRUE(Dialog->QualityLabel->isHidden());
    EXPECT_FALSE(Dialog->CDRIP1->Encode);
    EXPECT_EQ(Dialog->SaveDefaultExt, QStringLiteral("wav"));
    EXPECT_EQ(Dialog->SaveFilter, QStringLiteral("Wave-fil|*.WAV"));
    Dialog->MP3RadioButton->click();
    EXPECT_FALSE(Dialog->QualityComboBox->isHidden());
    EXPECT_TRUE(Dialog->CDRIP1->Encode);
    EXPECT_EQ(Dialog->SaveDefaultExt, QStringLiteral("mp3"));
    EXPECT_EQ(Dialog->SaveFilter, QStringLiteral("MP3-fil|*.MP3"));

    Dialog->QualityComboBox->setCurrentIndex(1);
    EXPECT_EQ(Dialog->LameCoder1->Bitrate(), 256);
    EXPECT_EQ(Dialog->LameCoder1->Quality(), HIGH_QUALITY);
    Dialog->QualityComboBox->setCurrentIndex(0);
    EXPECT_EQ(Dialog->LameCoder1->Bitrate(), 128);
    EXPECT_EQ(Dialog->LameCoder1->Quality(), NORMAL_QUALITY);
}

// An MP3 copy to a name typed with ".wav": the file is "x.mp3", the dialog closes with a result,
// and the name handed on is the file that exists.
TEST_F(RippingDialog, CopyWritesTheFileAndCloses)
{
    ASSERT_TRUE(Dialog->PrepareRange(1, 0, 5000));
    const QString typed = Out.File(QStringLiteral("x.wav"));
    Prompts.File(typed);
    Dialog->CopyButton->click();

    ASSERT_EQ(Prompts.Asked().size(), 1u);
    const Tonlyra::PromptRequest& save = Prompts.Asked()[0];
    EXPECT_EQ(save.What, Tonlyra::PromptRequest::Kind::SaveFile);
    EXPECT_EQ(save.DefaultSuffix, QStringLiteral("mp3"));
    EXPECT_EQ(save.Filter, QStringLiteral("MP3-fil|*.mp3"));
    EXPECT_FALSE(save.ConfirmOverwrite); // asked by the dialog, about the file it writes

    EXPECT_TRUE(Dialog->CopyResult);
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Dialog->ProgressLabel->text(),
              QStringLiteral("Kopierar spår 1 till \"%1\"").arg(typed));
    EXPECT_EQ(Dialog->ProgressBar->value(), 100);
    EXPECT_TRUE(Dialog->ProgressPanel->isHidden());
    const QString mp3 = Out.File(QStringLiteral("x.mp3"));
    EXPECT_EQ(LastCopyFileName(), mp3);
    EXPECT_FALSE(QFile::exists(typed));
    const Decoded d = DecodeMp3(mp3);
    ASSERT_TRUE(d.Ok);
    EXPECT_NEAR(double(d.Frames), 376.0 * 588, 100.0); // 0 to 5 s: sectors 0..375
}

// The question about replacing a file is about the file the copy writes: "x.wav" copied as MP3
// asks about an existing "x.mp3"; No leaves it and the dialog as they were.
TEST_F(RippingDialog, ReplacingIsAskedAboutTheFileWritten)
{
    ASSERT_TRUE(Dialog->PrepareRange(1, 0, 2000));
    const QString mp3 = Out.File(QStringLiteral("x.mp3"));
    WriteAll(mp3, "old");
    Prompts.File(Out.File(QStringLiteral("x.wav"))).Button(QMessageBox::No);
    Dialog->CopyButton->click();
    ASSERT_EQ(Prompts.Asked().size(), 2u);
    EXPECT_EQ(Prompts.Asked()[1].Text, QStringLiteral("x.mp3 finns redan.\nVill du ersätta den?"));
    EXPECT_EQ(Prompts.Asked()[1].Buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(ReadAll(mp3), QByteArray("old"));
    EXPECT_FALSE(Dialog->CopyResult);
    EXPECT_TRUE(Dialog->ProgressPanel->isHidden());

    // A wave copy of the same name writes "x.wav", which is not there: nothing to ask.
    Dialog->WaveRadioButton->click();
    Prompts.File(Out.File(QStringLiteral("x.wav")));
    Dialog->CopyButton->click();
    EXPECT_EQ(Prompts.Asked().size(), 3u);
    EXPECT_TRUE(QFile::exists(Out.File(QStringLiteral("x.wav"))));
    EXPECT_EQ(ReadAll(mp3), QByteArray("old"));

    Dialog->MP3RadioButton->click();
    Prompts.File(Out.File(QStringLiteral("x.wav"))).Button(QMessageBox::Yes);
    Dialog->CopyButton->click();
    EXPECT_EQ(Prompts.Asked().size(), 5u);
    EXPECT_TRUE(DecodeMp3(mp3).Ok);
}

TEST_F(RippingDialog, CancellingTheSaveDialogDoesNothing)
{
    ASSERT_TRUE(Dialog->PrepareTrack(1));
    Prompts.Cancel();
    Dialog->CopyButton->click();
    EXPECT_FALSE(Dialog->CopyResult);
    EXPECT_EQ(Dialog->result(), 0);
    EXPECT_TRUE(QDir(Out.Path()).isEmpty());
}

// The panel's "&Avbryt", pressed while the copy runs: no file, the dialog stays open and idle,
// and "&Avbryt" then ends it with a false result.
TEST_F(RippingDialog, CancelDuringTheCopy)
{
    ASSERT_TRUE(Dialog->PrepareTrack(1));
    Dialog->WaveRadioButton->click();
    Prompts.File(Out.File(QStringLiteral("c.wav")));
    bool panelShown = false;
    QTimer::singleShot(0, Dialog.get(), [&] {
        panelShown = Dialog->ProgressPanel->isVisibleTo(Dialog.get());
        EXPECT_FALSE(Dialog->MainArea->isEnabled());
        Dialog->CancelProgressButton->click();
    });
    Dialog->CopyButton->click();
    EXPECT_TRUE(panelShown);
    EXPECT_TRUE(Dialog->CopyCancelled);
    EXPECT_TRUE(Dialog->CopyResult);
    EXPECT_EQ(Dialog->result(), 0);
    EXPECT_TRUE(Dialog->ProgressPanel->isHidden());
    EXPECT_TRUE(Dialog->MainArea->isEnabled());
    EXPECT_TRUE(QDir(Out.Path()).isEmpty());
    Dialog->CancelButton->click();
    EXPECT_FALSE(Dialog->CopyResult);
    EXPECT_EQ(Dialog->result(), QDialog::Rejected);
}

// Escape during a copy does not close the dialog under the running copy.
TEST_F(RippingDialog, EscapeDuringTheCopyIsIgnored)
{
    ASSERT_TRUE(Dialog->PrepareTrack(3));
    Prompts.File(Out.File(QStringLiteral("e.mp3")));
    QTimer::singleShot(0, Dialog.get(), [&] { Dialog->reject(); });
    Dialog->CopyButton->click();
    EXPECT_TRUE(Dialog->CopyResult);
    EXPECT_EQ(Dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(QFile::exists(Out.File(QStringLiteral("e.mp3"))));
}

TEST_F(RippingDialog, CopyErrorIsShownAndTheDialogStaysOpen)
{
    QFile plain(Out.File(QStringLiteral("afile")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ASSERT_TRUE(Dialog->PrepareTrack(2));
    Prompts.File(Out.File(QStringLiteral("afile/x.mp3"))).Button(QMessageBox::Ok);
    Dialog->CopyButton->click();
    ASSERT_EQ(Prompts.Asked().size(), 2u);
    EXPECT_EQ(Prompts.Asked()[1].Text, QStringLiteral("Cannot create file ") +
                                           Out.File(QStringLiteral("afile/x.mp3")) +
                                           QStringLiteral("\nMappen finns inte."));
    EXPECT_TRUE(Dialog->CopyResult);
    EXPECT_EQ(Dialog->result(), 0);
    EXPECT_TRUE(Dialog->ProgressPanel->isHidden());
    EXPECT_TRUE(Dialog->MainArea->isEnabled());
}

// A disc that cannot be read when the copy starts (here: taken away): no file, so the copy is
// not reported as done; the error is shown and the dialog stays open.
TEST_F(RippingDialog, UnreadableDiscIsNotReportedAsACopy)
{
    TempDir gone;
    const QString cue = WriteCdImage(gone.Path(), QStringLiteral("gone"), {{300, 440.0}});
    CdDriveOverride drive(QStringList{cue});
    TRippingDialog dialog;
    ASSERT_TRUE(dialog.PrepareTrack(1));
    QFile::remove(cue);
    QFile::remove(gone.File(QStringLiteral("gone.bin")));
    Prompts.File(Out.File(QStringLiteral("u.mp3"))).Button(QMessageBox::Ok);
    dialog.CopyButton->click();
    ASSERT_EQ(Prompts.Asked().size(), 2u);
    EXPECT_EQ(Prompts.Asked()[1].Text, QStringLiteral("CD-skivan kan inte läsas"));
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_TRUE(QDir(Out.Path()).isEmpty());
}

} // namespace
