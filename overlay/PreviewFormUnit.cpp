#include "overlay/PreviewFormUnit.h"

#include "picture/TMultiP.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

TPreviewForm* PreviewForm = nullptr;

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

void TPreviewForm::showEvent(QShowEvent* event)
{
    Image->SetImageName(QString());
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen())
        move(screen->geometry().topLeft());
    QDialog::showEvent(event);
}
