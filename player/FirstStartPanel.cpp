#include "player/FirstStartPanel.h"

#include "platform/Paths.h"
#include "platform/SystemFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace Tonlyra {

namespace {

// Dark buttons with white text, each its own colour so that they are told apart at a glance;
// the focus is a thick yellow frame, seen from a distance.
const QString ButtonStyle = QStringLiteral(
    "QPushButton { background: %1; color: white; border: 8px solid %1; border-radius: 12px;"
    " padding: 24px; font-size: 30px; font-weight: bold; }"
    "QPushButton:focus { border-color: #ffd600; }");
const QString DemoColour = QStringLiteral("#1b5e20");
const QString EditorColour = QStringLiteral("#0d47a1");

QPushButton* BigButton(const QString& text, const QString& colour, const QString& name,
                       QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setStyleSheet(ButtonStyle.arg(colour));
    // Enter presses a button that has the focus also outside a dialog.
    button->setAutoDefault(true);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setMinimumSize(420, 140);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return button;
}

// Copies the files of from into to that to lacks; false with error set when one cannot be.
bool CopyMissingFiles(const QString& from, const QString& to, QString* error)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + u'/' + QDir(from).relativeFilePath(source);
        if (QFileInfo::exists(target))
            continue;
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile file(source);
        if (!file.copy(target)) {
            *error = QStringLiteral("Demot kunde inte kopieras till \"%1\":\n%2")
                         .arg(QDir::toNativeSeparators(target), file.errorString());
            return false;
        }
        // An installed file is read-only; the carer's copy must be editable.
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
    }
    return true;
}

} // namespace

FirstStartPanel::FirstStartPanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("FirstStartPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(32);
    layout->addStretch(1);
    Message = new QLabel(this);
    Message->setObjectName(QStringLiteral("FirstStartMessage"));
    Message->setAlignment(Qt::AlignCenter);
    Message->setWordWrap(true);
    QFont font = Message->font();
    font.setPixelSize(28);
    Message->setFont(font);
    layout->addWidget(Message);
    DemoButton = BigButton(QStringLiteral("Öppna demot"), DemoColour,
                           QStringLiteral("FirstStartDemoButton"), this);
    EditorButton = BigButton(QStringLiteral("Skapa ett överlägg"), EditorColour,
                             QStringLiteral("FirstStartEditorButton"), this);
    for (QPushButton* button : {DemoButton, EditorButton}) {
        layout->addWidget(button, 0, Qt::AlignHCenter);
        button->installEventFilter(this);
    }
    layout->addStretch(2);
    setTabOrder(DemoButton, EditorButton);

    // Run after the click has been handled: the actions replace this panel.
    connect(DemoButton, &QPushButton::clicked, this, [this] {
        if (OnOpenDemo)
            QMetaObject::invokeMethod(this, OnOpenDemo, Qt::QueuedConnection);
    });
    connect(EditorButton, &QPushButton::clicked, this, [this] {
        if (OnCreateOverlay)
            QMetaObject::invokeMethod(this, OnCreateOverlay, Qt::QueuedConnection);
    });
    ShowFor(QString());
}

void FirstStartPanel::ShowFor(const QString& overlayFile)
{
    const QString what =
        overlayFile.isEmpty()
            ? QStringLiteral("Inget överlägg är öppnat.")
            : QStringLiteral("Överlägget \"%1\" har inga rutor att visa.")
                  .arg(QFileInfo(overlayFile).completeBaseName());
    Message->setText(what + QStringLiteral("\nVälj vad du vill göra:"));
}

void FirstStartPanel::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    DemoButton->setFocus();
}

bool FirstStartPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
            (watched == DemoButton ? EditorButton : DemoButton)->setFocus();
            return true;
        default:
            break;
        }
    }
    return QFrame::eventFilter(watched, event);
}

QString FirstStartPanel::UserDemoOverlay(QString* error)
{
    const QString installed = InstalledDataFolder() + QStringLiteral("/demo");
    const QString overlayName = QStringLiteral("/Overlays/Demo.cdu");
    if (!QFileInfo(installed + overlayName).isFile()) {
        *error = QStringLiteral("Demot finns inte i \"%1\". Installera om programmet.")
                     .arg(QDir::toNativeSeparators(installed));
        return {};
    }
    const QString copy = UserDataFolder() + QStringLiteral("/Demo");
    if (!CopyMissingFiles(installed, copy, error))
        return {};
    return copy + overlayName;
}

} // namespace Tonlyra
