#include "overlay/PreviewFormUnit.h"

#include "picture/TMultiP.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>


TPreviewForm::TPreviewForm(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setWindowTitle(QStringLiteral("Förhandsgranskning"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    Image = new TPMultiImage(this);
    Image->SetCenter(true);
    Image->SetStretchRatio(true);
    Image->SetColor(palette().color(QPalette::Button));
    Image->setAttribute(Qt::WA_TransparentForMouseEvents);
    Image->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Image);
    setFixedSize(210, 179);
    // Sized now, so a picture shown before the first layout is decoded at the size it shows at.
    Image->setGeometry(rect());
}

void TPreviewForm::ShowPreview(const QString& path)
{
    Image->SetImageName(path);
}

void TPreviewForm::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        // At the top left of the screen's available area, asked for before the window exists,
        // so that the window manager is told the place rather than choosing one itself; and
        // above the window that opens it (the editor, the picture base dialog).
        QWidget* opener = QApplication::activeWindow();
        if (opener == this)
            opener = nullptr;
        const QScreen* screen = opener ? opener->screen() : QGuiApplication::primaryScreen();
        if (screen)
            move(screen->availableGeometry().topLeft());
        if (opener) {
            winId();
            windowHandle()->setTransientParent(opener->window()->windowHandle());
        }
    }
    QDialog::setVisible(visible);
    // The dialog opened beside it comes next and goes above; the preview stays in sight.
    if (visible)
        QTimer::singleShot(100, this, [this] { raise(); });
}

void TPreviewForm::showEvent(QShowEvent* event)
{
    Image->SetImageName(QString());
    QDialog::showEvent(event);
}
