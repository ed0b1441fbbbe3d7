// The picture base dialog with a large base: 5,000 pictures in 50 categories.
//   Execute until the dialog is painted, against the same dialog with no base to find (the cost
//   of the dialog alone); choosing the base;
//   a search that walks every category without a hit (ended by "Sökningen är färdig", answered at
//   once), against filling the picture list with each category in turn, as a walk that loaded
//   each category into the list would;
//   the preview of a 12-megapixel JPEG until painted, against decoding the photo at full size.
// Medians; offscreen platform.

#include "bench/support/BenchPictures.h"
#include "overlay/FindDialog.h"
#include "overlay/PictureBaseDialogUnit.h"
#include "overlay/PreviewFormUnit.h"
#include "picture/TMultiP.h"
#include "platform/UserPrompt.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <vector>

using Tonlyra::Bench::Median;

namespace {

constexpr int Runs = 15;
constexpr int Categories = 50;
constexpr int PicturesPerCategory = 100;

// Writes the base "Stor.ini" with its picture files (small PNGs) into systemDir.
void WriteBase(const QString& systemDir)
{
    const QString pictures = systemDir + QStringLiteral("/bilder");
    QDir().mkpath(pictures);
    QImage tiny(8, 8, QImage::Format_RGB32);
    tiny.fill(Qt::darkGreen);
    tiny.save(pictures + QStringLiteral("/p0000.png"));
    const QByteArray bytes = [&] {
        QFile f(pictures + QStringLiteral("/p0000.png"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    QString ini =
        QStringLiteral("[ProgDir]\r\nDir=%1\r\nExtension=png\r\n[Grupper]\r\nAntal=%2\r\n")
            .arg(pictures)
            .arg(Categories);
    for (int g = 0; g < Categories; ++g)
        ini += QStringLiteral("%1=Kategori %1\r\n").arg(g + 1);
    int n = 0;
    for (int g = 0; g < Categories; ++g) {
        ini += QStringLiteral("[Kategori %1]\r\nAntal=%2\r\n").arg(g + 1).arg(PicturesPerCategory);
        for (int p = 0; p < PicturesPerCategory; ++p, ++n) {
            const QString key = QStringLiteral("p%1").arg(n, 4, 10, QLatin1Char('0'));
            ini += QStringLiteral("%1=Bild nummer %2 i kategori %3\r\n")
                       .arg(key)
                       .arg(p + 1)
                       .arg(g + 1);
            QFile f(pictures + u'/' + key + QStringLiteral(".png"));
            if (f.open(QIODevice::WriteOnly))
                f.write(bytes);
        }
    }
    QFile f(systemDir + QStringLiteral("/Stor.ini"));
    f.open(QIODevice::WriteOnly);
    f.write(ini.toUtf8());
}

// Execute until the dialog is on the screen and painted; act then works it before it closes.
double TimeExecute(TPictureBaseDialog& dialog, const std::function<void()>& act = {})
{
    // The first paint of the dialog after the clock starts.
    struct PaintClock : QObject
    {
        QElapsedTimer Clock;
        double PaintedAt = -1;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint && PaintedAt < 0)
                PaintedAt = Clock.nsecsElapsed() / 1e6;
            return false;
        }
    } paint;
    dialog.installEventFilter(&paint);
    Tonlyra::UserPrompt::SetResponder([&](const Tonlyra::PromptRequest& r) {
        Tonlyra::PromptAnswer a;
        a.Button = QMessageBox::Ok;
        if (r.What == Tonlyra::PromptRequest::Kind::Dialog) {
            QElapsedTimer guard;
            guard.start();
            while (paint.PaintedAt < 0 && guard.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            if (act)
                act();
        }
        return a;
    });
    paint.Clock.start();
    dialog.Execute();
    Tonlyra::UserPrompt::SetResponder({});
    dialog.removeEventFilter(&paint);
    return paint.PaintedAt;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The preview reads through the thumbnail cache: one of its own (kept until the program's
    // end has let the thumbnails being saved go), and each photo shown once, so that every
    // preview is a first one and the user's cache is left alone.
    QTemporaryDir thumbnails;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(thumbnails.path()));
    QApplication app(argc, argv);
    QTemporaryDir system;
    QTemporaryDir empty;
    WriteBase(system.path());
    Tonlyra::Bench::MakePhotos();

    TPreviewForm preview;
    TPictureBaseDialog dialog;
    dialog.PreviewForm = &preview;
    dialog.SetFilter(QStringLiteral("Alla bilder|*.bmp;*.jpg;*.png"));
    std::printf("load average %s\n", Tonlyra::Bench::LoadAverage().constData());

    std::vector<double> withBase, without;
    for (int i = 0; i < Runs; ++i) {
        qputenv("TONLYRA_SYSTEM_DIR", empty.path().toLocal8Bit());
        without.push_back(TimeExecute(dialog));
        qputenv("TONLYRA_SYSTEM_DIR", system.path().toLocal8Bit());
        withBase.push_back(TimeExecute(dialog));
    }
    QElapsedTimer finding;
    finding.start();
    dialog.HasPictureBase();
    std::printf("finding the bases: %.2f ms\n", finding.nsecsElapsed() / 1e6);
    std::printf("Execute to shown, 5000 pictures: %6.1f ms  (no base: %6.1f ms; ratio %.2f)\n",
                Median(withBase), Median(without), Median(withBase) / Median(without));

    std::vector<double> choose, search, listing, previews, fullDecodes;
    TimeExecute(dialog, [&] {
        dialog.BaseComboBox->setCurrentIndex(0);
        for (int i = 0; i < Runs; ++i) {
            QElapsedTimer clock;
            clock.start();
            dialog.BaseComboBoxChange();
            dialog.PictureListBox->repaint();
            choose.push_back(clock.nsecsElapsed() / 1e6);
        }
        dialog.SearchButtonClick();
        dialog.FindDialog->SetFindText(QStringLiteral("finns inte"));
        for (int i = 0; i < Runs; ++i) {
            QElapsedTimer clock;
            clock.start();
            dialog.FindDialogFind();
            search.push_back(clock.nsecsElapsed() / 1e6);
            clock.start();
            for (int g = 0; g < dialog.GroupComboBox->count(); ++g) {
                dialog.GroupComboBox->setCurrentIndex(g);
                dialog.GroupComboBoxChange();
            }
            listing.push_back(clock.nsecsElapsed() / 1e6);
            dialog.GroupComboBox->setCurrentIndex(0);
            dialog.GroupComboBoxChange();
        }
        for (int i = 0; i < Runs; ++i) {
            const QString photo = Tonlyra::Bench::PhotoPath(i % Tonlyra::Bench::PhotoCount);
            QElapsedTimer clock;
            clock.start();
            preview.ShowPreview(photo);
            preview.Image->repaint();
            previews.push_back(clock.nsecsElapsed() / 1e6);
            if (!preview.Image->HasPicture())
                std::printf("preview %d showed nothing\n", i);
            clock.start();
            const QImage full(photo);
            fullDecodes.push_back(clock.nsecsElapsed() / 1e6);
        }
    });
    std::printf("choosing the base (50 categories read, the first listed and painted): "
                "%6.2f ms\n",
                Median(choose));
    std::printf("search through 50 categories, no hit: %6.2f ms  (filling the list with each "
                "category: %6.2f ms; ratio %.2f)\n",
                Median(search), Median(listing), Median(search) / Median(listing));
    std::printf("preview of a 12-megapixel JPEG, painted: %6.1f ms  (full-size decode: %6.1f ms; "
                "ratio %.2f)\n",
                Median(previews), Median(fullDecodes), Median(previews) / Median(fullDecodes));
    return 0;
}
