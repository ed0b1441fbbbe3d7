#include "glosa32/Dialogs.h"

#include "glosa32/Stamps.h"
#include "glosa32/TextTable.h"
#include "platform/AtomicFile.h"
#include "platform/TextEncoding.h"
#include "platform/UserPrompt.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace Tonlyra::Glosa {

namespace {

DialogDriver& Driver()
{
    static DialogDriver driver;
    return driver;
}

template <typename W> W* Named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// OK and Cancel in a row at the bottom.
QHBoxLayout* Buttons(QDialog* dialog, bool withCancel = true)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* ok = Named(new QPushButton(DialogText("OK"), dialog), "IDOK");
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    row->addWidget(ok);
    if (withCancel) {
        auto* cancel = Named(new QPushButton(DialogText("Cancel"), dialog), "IDCANCEL");
        QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
        row->addWidget(cancel);
    }
    return row;
}

QDialog* NewDialog(QWidget* parent, const char* name, const char* captionKey)
{
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowTitle(DialogText(captionKey));
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    return dialog;
}

struct PatternChoice
{
    const char* Name;
    int Value;
};
const PatternChoice Patterns[] = {
    {"Solid", 100},          {"Backward Diagonal", 3}, {"Cross", 4},   {"Diagonal Cross", 5},
    {"Forward Diagonal", 2}, {"Horizontal", 0},        {"Vertical", 1}};

// Owns a dialog unless its parent window deleted it first.
class DialogHolder
{
public:
    explicit DialogHolder(QDialog* dialog) : Dialog(dialog) {}
    ~DialogHolder() { delete Dialog.data(); }
    DialogHolder(const DialogHolder&) = delete;
    DialogHolder& operator=(const DialogHolder&) = delete;
    QDialog* get() const { return Dialog.data(); }
    QDialog& operator*() const { return *Dialog; }
    explicit operator bool() const { return !Dialog.isNull(); }

private:
    QPointer<QDialog> Dialog;
};

// Runs the dialog; true for OK. False also when the dialog went away with its parent.
bool Accepted(DialogHolder& dialog)
{
    const int result = ExecDialog(*dialog);
    return dialog && result == QDialog::Accepted;
}

const char* TextFileFilter =
    "Text Files (*.TXT)|*.txt|ASCII Files (*.ASC)|*.asc|All Files (*.*)|*.*";

} // namespace

DialogDriver SetDialogDriver(DialogDriver driver)
{
    return std::exchange(Driver(), std::move(driver));
}

int ExecDialog(QDialog& dialog)
{
    QPointer<QDialog> guard(&dialog);
    if (Driver()) {
        dialog.setResult(QDialog::Rejected);
        Driver()(dialog);
        return guard ? dialog.result() : int(QDialog::Rejected);
    }
    const int result = dialog.exec();
    return guard ? result : int(QDialog::Rejected);
}

QString ImageFileFilter()
{
    return QStringLiteral(
        "bmp|*.bmp|jpeg|*.jpg|gif|*.gif|pcx|*.pcx|png|*.png|tiff|*.tif|pcd|*.pcd");
}

bool RunLineDialog(QWidget* parent, int& lineWidth, int& lineStyle)
{
    DialogHolder dialog(NewDialog(parent, "LINESTYLE", "LineDiag"));
    auto* grid = new QGridLayout;
    auto* style = Named(new QComboBox(dialog.get()), "201");
    style->addItems({"Solid", "Dash", "Dot", "Dash-Dot", "Dash-Dot-Dot", "NULL"});
    style->setCurrentIndex(std::clamp(lineStyle, 0, 5));
    auto* width = Named(new QLineEdit(QString::number(lineWidth), dialog.get()), "202");
    grid->addWidget(Named(new QLabel(DialogText("LineStyle"), dialog.get()), "240"), 0, 0);
    grid->addWidget(style, 0, 1);
    grid->addWidget(Named(new QLabel(DialogText("LineWidth"), dialog.get()), "241"), 1, 0);
    grid->addWidget(width, 1, 1);
    auto* layout = new QVBoxLayout(dialog.get());
    layout->addLayout(grid);
    layout->addLayout(Buttons(dialog.get()));
    if (!Accepted(dialog))
        return false;
    bool ok = false;
    const uint w = width->text().trimmed().toUInt(&ok);
    const int newWidth = ok ? static_cast<int>(std::min<uint>(w, 1000)) : lineWidth;
    const int newStyle = style->currentIndex();
    const bool changed = newWidth != lineWidth || newStyle != lineStyle;
    lineWidth = newWidth;
    lineStyle = newStyle;
    return changed;
}

bool RunFillDialog(QWidget* parent, int& fillMode, int& fillPattern)
{
    DialogHolder dialog(NewDialog(parent, "FILLSTYLE", "Fill"));
    auto* mode = Named(new QComboBox(dialog.get()), "203");
    mode->addItems({"Transparent", "Opaque"});
    mode->setCurrentIndex(fillMode == 2 ? 1 : 0);
    auto* pattern = Named(new QComboBox(dialog.get()), "204");
    int current = 0;
    for (int i = 0; i < int(std::size(Patterns)); ++i) {
        pattern->addItem(QString::fromLatin1(Patterns[i].Name), Patterns[i].Value);
        if (Patterns[i].Value == fillPattern)
            current = i;
    }
    pattern->setCurrentIndex(current);
    auto* grid = new QGridLayout;
    grid->addWidget(Named(new QLabel(DialogText("Mode"), dialog.get()), "242"), 0, 0);
    grid->addWidget(mode, 0, 1);
    grid->addWidget(Named(new QLabel(DialogText("Patterns"), dialog.get()), "243"), 1, 0);
    grid->addWidget(pattern, 1, 1);
    auto* layout = new QVBoxLayout(dialog.get());
    layout->addLayout(grid);
    layout->addLayout(Buttons(dialog.get()));
    if (!Accepted(dialog))
        return false;
    const int newMode = mode->currentIndex() == 1 ? 2 : 1;
    const int newPattern = pattern->currentData().toInt();
    const bool changed = newMode != fillMode || newPattern != fillPattern;
    fillMode = newMode;
    fillPattern = newPattern;
    return changed;
}

bool RunTextDialog(QWidget* parent, std::string& text, LogFont& font, ColorRef& textColor)
{
    DialogHolder dialog(NewDialog(parent, "DIALOGTEXT", "Text"));
    auto* edit = Named(new QPlainTextEdit(dialog.get()), "101");
    edit->setPlainText(DecodeFileText(QByteArray::fromStdString(text)));
    LogFont workingFont = font;
    ColorRef workingColor = textColor;
    edit->setFont(MakeFont(workingFont, 1.0));
    auto* fontButton = Named(new QPushButton(DialogText("Font"), dialog.get()), "102");
    auto* save = Named(new QPushButton(DialogText("SaveToFile"), dialog.get()), "103");
    auto* load = Named(new QPushButton(DialogText("LoadFromFile"), dialog.get()), "104");
    QDialog* d = dialog.get();
    bool fontChanged = false;
    QObject::connect(fontButton, &QPushButton::clicked, d, [&] {
        PromptRequest request;
        request.What = PromptRequest::Kind::Font;
        request.InitialFont = MakeFont(workingFont, 1.0);
        request.InitialFontColor = ToQColor(workingColor);
        const PromptAnswer answer = UserPrompt::Ask(d, request);
        if (!answer.Accepted)
            return;
        workingFont = FromQFont(answer.Font, workingFont);
        if (answer.Color.isValid())
            workingColor = FromQColor(answer.Color);
        edit->setFont(MakeFont(workingFont, 1.0));
        fontChanged = true;
    });
    QObject::connect(save, &QPushButton::clicked, d, [&] {
        const QString path = UserPrompt::SaveFileName(
            d, DialogText("SaveToFile"), QString::fromLatin1(TextFileFilter), QStringLiteral("txt"),
            QDir::currentPath(), QStringLiteral("*.txt"), true);
        if (path.isEmpty())
            return;
        int error = 0;
        if (!SaveFileAtomically(path, edit->toPlainText().toUtf8(), &error))
            UserPrompt::Message(d, QStringLiteral("Error"),
                                QStringLiteral("Could not write file %1").arg(path) + u'\n' +
                                    SaveFailureReason(error),
                                QMessageBox::Ok, QMessageBox::Warning);
    });
    QObject::connect(load, &QPushButton::clicked, d, [&] {
        const QString path = UserPrompt::OpenFileName(
            d, DialogText("LoadFromFile"), QString::fromLatin1(TextFileFilter),
            QStringLiteral("txt"), QDir::currentPath(), QStringLiteral("*.txt"));
        if (path.isEmpty())
            return;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > 16 * 1024 * 1024) {
            UserPrompt::Message(d, QStringLiteral("Error"),
                                QStringLiteral("Could not read file %1!").arg(path),
                                QMessageBox::Ok, QMessageBox::Warning);
            return;
        }
        const QByteArray bytes = file.readAll();
        edit->setPlainText(DecodeFileText(bytes));
    });
    auto* side = new QVBoxLayout;
    side->addWidget(fontButton);
    side->addWidget(save);
    side->addWidget(load);
    side->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(edit, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(d);
    layout->addLayout(top);
    layout->addLayout(Buttons(d));
    // The font chooser's choice takes effect at once, as the font is shown in the edit.
    font = workingFont;
    textColor = workingColor;
    if (!Accepted(dialog))
        return fontChanged;
    text = edit->toPlainText().toUtf8().toStdString();
    return true;
}

namespace {

// The text stamp dialog; true when the entry was stored.
bool RunTextStampDialog(QWidget* parent, StampDefinition& entry, bool isNew)
{
    DialogHolder dialog(NewDialog(parent, "TEXTSTAMP", "CreateTextRubberStamp"));
    QDialog* d = dialog.get();
    if (isNew) {
        entry = StampDefinition();
        entry.Type = 1;
        entry.Font = LogFont();
        entry.Font.FaceName = "Times New Roman";
        entry.Font.Height = -13;
        entry.Font.Weight = 400;
        entry.Font.OutPrecision = 3;
        entry.Font.ClipPrecision = 2;
        entry.Font.Quality = 1;
        entry.Font.PitchAndFamily = 18;
        entry.Color = 0;
    }
    auto* name = Named(new QLineEdit(QString::fromUtf8(entry.Name.c_str()), d), "221");
    name->setMaxLength(49);
    auto* text = Named(new QLineEdit(QString::fromUtf8(entry.Text.c_str()), d), "222");
    text->setMaxLength(99);
    auto* time = Named(new QPushButton(DialogText("Time"), d), "223");
    auto* date = Named(new QPushButton(DialogText("Date"), d), "224");
    auto* font = Named(new QPushButton(DialogText("Font"), d), "229");
    QObject::connect(time, &QPushButton::clicked, d, [text] { text->insert("%T"); });
    QObject::connect(date, &QPushButton::clicked, d, [text] { text->insert("%D"); });
    StampDefinition working = entry;
    QObject::connect(font, &QPushButton::clicked, d, [&] {
        PromptRequest request;
        request.What = PromptRequest::Kind::Font;
        request.InitialFont = MakeFont(working.Font, 1.0);
        request.InitialFontColor = ToQColor(working.Color);
        const PromptAnswer answer = UserPrompt::Ask(d, request);
        if (!answer.Accepted)
            return;
        working.Font = FromQFont(answer.Font, working.Font);
        if (answer.Color.isValid())
            working.Color = FromQColor(answer.Color);
    });
    auto* grid = new QGridLayout;
    grid->addWidget(Named(new QLabel(DialogText("StampName"), d), "244"), 0, 0);
    grid->addWidget(name, 0, 1);
    grid->addWidget(Named(new QLabel(DialogText("StampText"), d), "245"), 1, 0);
    grid->addWidget(text, 1, 1);
    auto* row = new QHBoxLayout;
    row->addWidget(time);
    row->addWidget(date);
    row->addWidget(font);
    auto* layout = new QVBoxLayout(d);
    layout->addLayout(grid);
    layout->addLayout(row);
    layout->addLayout(Buttons(d));
    if (!Accepted(dialog))
        return false;
    const QString n = name->text().left(49);
    const QString t = text->text().left(99);
    if (n.isEmpty() || t.isEmpty())
        return false;
    working.Type = 1;
    working.Name = n.toUpper().toUtf8().toStdString();
    working.Text = t.toUtf8().toStdString();
    entry = working;
    return true;
}

bool RunImageStampDialog(QWidget* parent, StampDefinition& entry, bool isNew)
{
    DialogHolder dialog(NewDialog(parent, "IMAGESTAMP", "CreateImageStamp"));
    QDialog* d = dialog.get();
    if (isNew)
        entry = StampDefinition();
    auto* name = Named(new QLineEdit(QString::fromUtf8(entry.Name.c_str()), d), "221");
    name->setMaxLength(49);
    auto* file = Named(new QLineEdit(QString::fromLocal8Bit(entry.Text.c_str()), d), "226");
    auto* browse = Named(new QPushButton(DialogText("Browse"), d), "225");
    QObject::connect(browse, &QPushButton::clicked, d, [d, file] {
        const QString path = UserPrompt::OpenFileName(d, DialogText("Browse"), ImageFileFilter(),
                                                      QStringLiteral("BMP"), QDir::currentPath(),
                                                      QStringLiteral("*.bmp"));
        if (!path.isEmpty())
            file->setText(path);
    });
    auto* grid = new QGridLayout;
    grid->addWidget(Named(new QLabel(DialogText("StampName"), d), "244"), 0, 0);
    grid->addWidget(name, 0, 1);
    grid->addWidget(Named(new QLabel(DialogText("ImageStampFile"), d), "246"), 1, 0);
    grid->addWidget(file, 1, 1);
    grid->addWidget(browse, 1, 2);
    auto* layout = new QVBoxLayout(d);
    layout->addLayout(grid);
    layout->addLayout(Buttons(d));
    if (!Accepted(dialog))
        return false;
    if (name->text().isEmpty() || file->text().isEmpty())
        return false;
    entry.Type = 0;
    entry.Name = name->text().left(49).toUpper().toUtf8().toStdString();
    entry.Text = file->text().toLocal8Bit().toStdString();
    return true;
}

} // namespace

std::optional<StampDefinition> RunStampDialog(QWidget* parent, const std::string& libraryPath)
{
    std::vector<StampDefinition> library = ReadStampLibrary(libraryPath);
    DialogHolder dialog(NewDialog(parent, "STAMP", "RubberStampProperties"));
    QDialog* d = dialog.get();
    auto* list = Named(new QListWidget(d), "211");
    list->setSortingEnabled(true);
    auto addItem = [list](const StampDefinition& s, int index) {
        auto* item = new QListWidgetItem(QString::fromUtf8(s.Name.c_str()));
        item->setData(Qt::UserRole, index);
        list->addItem(item);
        return item;
    };
    for (int i = 0; i < int(library.size()); ++i)
        if (library[std::size_t(i)].Type != 2)
            addItem(library[std::size_t(i)], i);
    auto* group = Named(new QGroupBox(DialogText("StampText"), d), "222");
    auto* display = Named(new QLabel(group), "230");
    (new QVBoxLayout(group))->addWidget(display);
    auto* createText = Named(new QPushButton(DialogText("CreateText"), d), "212");
    auto* createImage = Named(new QPushButton(DialogText("CreateImage"), d), "213");
    auto* edit = Named(new QPushButton(DialogText("Edit"), d), "227");
    auto* remove = Named(new QPushButton(DialogText("Delete"), d), "228");

    auto selectedIndex = [list]() -> int {
        QListWidgetItem* item = list->currentItem();
        return item ? item->data(Qt::UserRole).toInt() : -1;
    };
    QObject::connect(list, &QListWidget::currentItemChanged, d, [&](QListWidgetItem* item) {
        const int i = item ? item->data(Qt::UserRole).toInt() : -1;
        display->setText(i >= 0 ? QString::fromUtf8(library[std::size_t(i)].Text.c_str())
                                : QString());
    });
    QObject::connect(createText, &QPushButton::clicked, d, [&] {
        StampDefinition entry;
        if (RunTextStampDialog(d, entry, true)) {
            library.push_back(entry);
            list->setCurrentItem(addItem(entry, int(library.size()) - 1));
        }
    });
    QObject::connect(createImage, &QPushButton::clicked, d, [&] {
        StampDefinition entry;
        if (RunImageStampDialog(d, entry, true)) {
            library.push_back(entry);
            list->setCurrentItem(addItem(entry, int(library.size()) - 1));
        }
    });
    QObject::connect(edit, &QPushButton::clicked, d, [&] {
        const int i = selectedIndex();
        if (i < 0)
            return;
        StampDefinition& entry = library[std::size_t(i)];
        const bool stored = entry.Type == 0 ? RunImageStampDialog(d, entry, false)
                                            : RunTextStampDialog(d, entry, false);
        if (stored) {
            delete list->takeItem(list->currentRow());
            list->setCurrentItem(addItem(entry, i));
        }
    });
    QObject::connect(remove, &QPushButton::clicked, d, [&] {
        const int i = selectedIndex();
        if (i < 0)
            return;
        const QString question = QStringLiteral("Stamp '%1' is about to be deleted.  Are you sure?")
                                     .arg(QString::fromUtf8(library[std::size_t(i)].Name.c_str()));
        if (UserPrompt::Message(d, QStringLiteral("Rubber Stamp"), question,
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::Question) != QMessageBox::Yes)
            return;
        library[std::size_t(i)].Type = 2;
        delete list->takeItem(list->currentRow());
    });
    QObject::connect(list, &QListWidget::itemDoubleClicked, d, &QDialog::accept);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {createText, createImage, edit, remove})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* top = new QGridLayout;
    top->addWidget(Named(new QLabel(DialogText("Stamps"), d), "247"), 0, 0);
    top->addWidget(list, 1, 0);
    top->addLayout(buttons, 1, 1);
    top->addWidget(group, 2, 0, 1, 2);
    auto* layout = new QVBoxLayout(d);
    layout->addLayout(top);
    layout->addLayout(Buttons(d, false));

    // OK with nothing selected keeps the dialog open.
    for (;;) {
        if (!Accepted(dialog))
            return std::nullopt;
        if (selectedIndex() >= 0)
            break;
        if (Driver())
            return std::nullopt;
    }
    StampDefinition chosen = library[std::size_t(selectedIndex())];
    if (chosen.Type == 1)
        chosen.Text = ExpandStampCodes(chosen.Text, StampClock());
    // The stamp is placed either way; the carer learns that the library's changes were not kept.
    int error = 0;
    if (!libraryPath.empty() && !WriteStampLibrary(libraryPath, library, &error))
        UserPrompt::Message(parent, QStringLiteral("Error"),
                            QStringLiteral("Could not write file %1")
                                    .arg(QString::fromLocal8Bit(libraryPath.c_str())) +
                                u'\n' + SaveFailureReason(error),
                            QMessageBox::Ok, QMessageBox::Warning);
    return chosen;
}

} // namespace Tonlyra::Glosa
