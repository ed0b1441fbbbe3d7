// Figures of the annotation library, each with a baseline measured in the same run:
//  - drawing 300 objects of mixed kinds over a 1280 x 800 picture at zoom 1.5 (target <= 5 ms),
//    against drawing the picture alone;
//  - saving one set of 30 objects into a container of 100 such sets, and loading one back
//    (target <= 20 ms each), against reading and writing the same file as plain bytes.

#include "glosa32/glosa32.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double MedianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void AddMixed(intptr_t key, int count, int seed)
{
    for (int i = 0; i < count; ++i) {
        const int x = (i * 37 + seed * 11) % 760;
        const int y = (i * 53 + seed * 7) % 480;
        const int32_t xs[] = {x, x + 40, x + 80, x + 30};
        const int32_t ys[] = {y, y + 30, y, y + 50};
        switch (i % 12) {
        case 0:
            CreateRectangle(key, x, y, 80, 50, 2, 0, 1, 100, 0xFF, 0xFFFFFF);
            break;
        case 1:
            CreateHilite(key, x, y, 90, 20, 0x00FFFF);
            break;
        case 2:
            CreateLine(key, x, y, x + 100, y + 40, 3, 0, 0xFF0000);
            break;
        case 3:
            CreatePointer(key, x, y, x + 90, y + 10, 2, 0, 0);
            break;
        case 4:
            CreateEllipse(key, x, y, 70, 40, 1, 0, 2, 4, 0xFF00, 0xFFFFFF);
            break;
        case 5:
            CreatePolyline(key, xs, ys, 4, 2, 0, 0xFF);
            break;
        case 6:
            CreateFreehand(key, xs, ys, 4, 1, 0, 0x808080);
            break;
        case 7:
            CreatePolygon(key, xs, ys, 4, 1, 0, 2, 100, 0xFF00FF, 0);
            break;
        case 8:
            CreateLabel(key, "Label text", x, y, 90, 24, 0x8000FF, 0x8000FF, 0, "Sans", 14);
            break;
        case 9:
            CreateNotes(key, "A note\nwith two lines", x, y, 120, 70, 0xFFFF, 0xFFFF, 0, "Sans",
                        12);
            break;
        case 10:
            CreateStamp(key, x, y, "APPROVED");
            break;
        default:
            CreateRectangle(key, x, y, 60, 60, 1, 1, 2, 3, 0, 0xFFFFFF);
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const intptr_t key = 1;
    InitAnnotation(key, nullptr, 0, nullptr, "");

    // Drawing.
    AddMixed(key, 300, 0);
    QImage picture(1280, 800, QImage::Format_RGB32);
    picture.fill(QColor(200, 220, 240));
    QImage screen(1280, 800, QImage::Format_RGB32);
    const double baseDraw = MedianMs(41, [&] {
        QPainter p(&screen);
        p.drawImage(0, 0, picture);
    });
    const double draw = MedianMs(41, [&] {
        QPainter p(&screen);
        p.drawImage(0, 0, picture);
        DrawAnnotation(key, 1.5, 0, 0, 0, 0, 0, &p);
    });
    std::printf("draw 300 objects, 1280x800, zoom 1.5: median %.2f ms (picture alone %.2f ms, "
                "ratio %.1f; target <= 5 ms)\n",
                draw, baseDraw, draw / std::max(baseDraw, 1e-3));

    // A container of 100 sets of 30 objects.
    const QByteArray path = dir.filePath("big.ant").toLocal8Bit();
    for (int set = 0; set < 100; ++set) {
        ClearAnnotation(key);
        AddMixed(key, 30, set);
        SaveAnnotation(key, set, path.constData());
    }
    QFile file(QString::fromLocal8Bit(path));
    const qint64 size = file.size();
    ClearAnnotation(key);
    AddMixed(key, 30, 999);
    const double save = MedianMs(21, [&] { SaveAnnotation(key, 50, path.constData()); });
    const double load = MedianMs(21, [&] { LoadAnnotation(key, 50, path.constData()); });
    const QByteArray copyPath = dir.filePath("copy.ant").toLocal8Bit();
    const double baseIo = MedianMs(21, [&] {
        QFile in(QString::fromLocal8Bit(path));
        in.open(QIODevice::ReadOnly);
        const QByteArray bytes = in.readAll();
        QFile out(QString::fromLocal8Bit(copyPath));
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
    });
    std::printf(
        "container of 100 sets x 30 objects (%lld bytes): save one set %.2f ms, load "
        "one set %.2f ms (plain read + write %.2f ms, ratios %.1f / %.1f; target <= 20 ms)\n",
        static_cast<long long>(size), save, load, baseIo, save / std::max(baseIo, 1e-3),
        load / std::max(baseIo, 1e-3));
    std::printf("objects after load: %d\n", IsAnnotation(key));
    DestroyAnnotation(key);
    return 0;
}
