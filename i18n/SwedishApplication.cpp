#include "i18n/SwedishApplication.h"

#include "platform/Logging.h"

#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QTranslator>

#include <memory>

namespace Tonlyra {

namespace {

// Beside its text a title bar holds the window manager's icon and buttons and their padding.
constexpr int TitleBarRoom = 120;
const char* const WidenedProperty = "tonlyraWidenedForTitle";

// The width a window needs to show its whole title, as far as we can tell: window managers
// draw titles in a bold face of about the application's size.
int TitleWidth(const QWidget* window)
{
    QFont font = QApplication::font(window);
    font.setBold(true);
    int width = QFontMetrics(font).horizontalAdvance(window->windowTitle()) + TitleBarRoom;
    if (const QScreen* screen = window->screen())
        width = qMin(width, screen->availableGeometry().width());
    return width;
}

// A message box sizes itself from its layout each time it is shown, so the room is kept by
// an empty item across its whole layout; other dialogs get a minimum width.
void WidenForTitle(QWidget* window)
{
    if (window->windowTitle().isEmpty())
        return;
    const int width = TitleWidth(window);
    if (auto* box = qobject_cast<QMessageBox*>(window)) {
        auto* grid = qobject_cast<QGridLayout*>(box->layout());
        if (!grid || box->property(WidenedProperty).toBool())
            return;
        const QMargins margins = grid->contentsMargins();
        grid->addItem(new QSpacerItem(width - margins.left() - margins.right(), 0,
                                      QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
        box->setProperty(WidenedProperty, true);
        return;
    }
    if (window->width() >= width)
        return;
    if (window->maximumWidth() < width)
        window->setMaximumWidth(width);
    window->setMinimumWidth(width);
    window->resize(width, window->height());
}

class TitleWidthGuard : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow() && qobject_cast<QDialog*>(widget))
                WidenForTitle(widget);
        }
        return false;
    }
};

bool InstallTranslation(const QString& name, const QString& folder)
{
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(name, folder) || !QCoreApplication::installTranslator(translator.get()))
        return false;
    translator.release(); // owned by the application
    return true;
}

} // namespace

namespace Detail {

SwedishSystemLocale::SwedishSystemLocale()
{
    const char* const variable = "LC_ALL";
    const bool wasSet = qEnvironmentVariableIsSet(variable);
    const QByteArray was = qgetenv(variable);
    qputenv(variable, "sv_SE.UTF-8");
    (void)QLocale::system();
    if (wasSet)
        qputenv(variable, was);
    else
        qunsetenv(variable);
}

} // namespace Detail

SwedishApplication::SwedishApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
    setAttribute(Qt::AA_DontUseNativeDialogs);

    // Qt's translation first: a translator installed later is asked first, so the
    // program's own entries win where both have one. "qt_sv" is the whole of Qt's Swedish
    // (or, where Qt ships translations per module, a catalogue that loads them).
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!InstallTranslation(QStringLiteral("qt_sv"), qtFolder))
        InstallTranslation(QStringLiteral("qtbase_sv"), qtFolder);
    if (!InstallTranslation(QStringLiteral("tonlyran_sv"), QStringLiteral(":/i18n")))
        qCWarning(Log::Translation, "tonlyra: the program's Swedish translation is missing");

    installEventFilter(new TitleWidthGuard(this));
}

} // namespace Tonlyra
