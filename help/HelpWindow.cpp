#include "help/HelpWindow.h"

#include "platform/UserPrompt.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace Tonlyra {

namespace {

const QString BuiltInManual = QStringLiteral(":/manual");

QString& HelpFileStore()
{
    static QString path;
    return path;
}

QPointer<HelpWindow>& WindowStore()
{
    static QPointer<HelpWindow> window;
    return window;
}

QString TopicFileName(const QString& topic)
{
    return topic.isEmpty() ? QStringLiteral("index.html") : topic + QStringLiteral(".html");
}

// A topic name becomes a file name: only plain names are accepted, so a topic can never
// reach outside the manual's folder.
bool IsPlainTopic(const QString& topic)
{
    for (const QChar c : topic) {
        if (!c.isLetterOrNumber() && c != u'_' && c != u'-')
            return false;
    }
    return true;
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Tonlyran – Hjälp"));
    setObjectName(QStringLiteral("HelpWindow"));
    resize(640, 560);

    View = new QTextBrowser(this);
    View->setObjectName(QStringLiteral("HelpBrowser"));
    View->setOpenExternalLinks(false);

    auto* contents = new QPushButton(QStringLiteral("&Innehåll"), this);
    auto* back = new QPushButton(QStringLiteral("&Bakåt"), this);
    auto* forward = new QPushButton(QStringLiteral("&Framåt"), this);
    auto* close = new QPushButton(QStringLiteral("&Stäng"), this);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QPushButton::clicked, this, [this] { ShowTopic(QString()); });
    connect(back, &QPushButton::clicked, View, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, View, &QTextBrowser::forward);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(View, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(View, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(View);
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QString HelpWindow::TopicSource(const QString& helpFile, const QString& topic)
{
    if (!IsPlainTopic(topic))
        return QString();
    const QString name = TopicFileName(topic);
    if (!helpFile.isEmpty()) {
        const QFileInfo own(QDir(helpFile).filePath(name));
        if (QFileInfo(helpFile).isDir() && own.isFile())
            return own.absoluteFilePath();
    }
    const QString builtIn = BuiltInManual + u'/' + name;
    return QFileInfo::exists(builtIn) ? builtIn : QString();
}

bool HelpWindow::ShowTopic(const QString& topic)
{
    const QString source = TopicSource(HelpFile(), topic);
    if (source.isEmpty()) {
        UserPrompt::ShowError(parentWidget(),
                              QStringLiteral("Hjälpavsnittet \"%1\" finns inte i hjälpfilen %2.")
                                  .arg(topic, HelpFile()));
        return false;
    }
    const QUrl url = source.startsWith(u':') ? QUrl(QStringLiteral("qrc") + source)
                                             : QUrl::fromLocalFile(source);
    View->setSource(url);
    show();
    raise();
    activateWindow();
    return true;
}

QString HelpFile()
{
    return HelpFileStore();
}

void SetHelpFile(const QString& path)
{
    HelpFileStore() = path;
}

bool ShowHelp(QWidget* parent, const QString& topic)
{
    QPointer<HelpWindow>& window = WindowStore();
    QWidget* owner = parent ? parent->window() : nullptr;
    if (!window) {
        window = new HelpWindow(owner);
    } else if (owner && window->parentWidget() != owner) {
        // Help asked for from a modal window must belong to it, or the modal window would
        // block it.
        const bool wasVisible = window->isVisible();
        window->setParent(owner, window->windowFlags());
        if (wasVisible)
            window->show();
    }
    return window->ShowTopic(topic);
}

HelpWindow* CurrentHelpWindow()
{
    return WindowStore();
}

} // namespace Tonlyra
