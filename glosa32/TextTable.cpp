#include "glosa32/TextTable.h"

#include "platform/ProfileFile.h"
#include "platform/SystemFolder.h"

#include <QHash>

#include <optional>

namespace Tonlyra::Glosa {

namespace {

struct Table
{
    QHash<QString, QString> Menus;
    QHash<QString, QString> Dialogs;
};

const char* const KindNames[] = {"Rectangle", "Hilite",  "Line",  "Pointer", "Ellipse", "Polyline",
                                 "Freehand",  "Polygon", "Image", "Label",   "Notes"};

Table Load()
{
    Table t;
    QHash<QString, QString> menus = {
        {"RubberStamp", "Rubber Stamp"},
        {"DeleteRubberStamp", "Delete Rubber Stamp"},
        {"LineMenu", "Line ..."},
        {"Fill", "Fill ..."},
        {"ForegroundColor", "Foreground Color ..."},
        {"BackgroundColor", "Background Color ..."},
        {"BringToFront", "Bring To Front"},
        {"SendToBack", "Send To Back"},
        {"EditShape", "Edit Shape"},
        {"DeleteNode", "Delete Node"},
        {"AddNode", "Add Node"},
        {"ViewIconic", "View Iconic"},
        {"Picture", "Picture"},
        {"TextMenu", "Text ..."},
        {"FontMenu", "Font ..."},
        {"Color", "Color ..."},
        {"FontBackgroundColor", "Font Background Color ..."},
        {"ChangeStamp", "Change Stamp ..."},
        {"OpenLabel", "Open Label"},
        {"OpenNote", "Open Note"},
        {"New", "New ..."},
    };
    for (const char* name : KindNames) {
        const QString n = QString::fromLatin1(name);
        menus.insert(n, n);
        menus.insert("Delete" + n, "Delete " + n);
        menus.insert(n + "Properties", n + " Properties");
    }
    const QHash<QString, QString> dialogs = {
        {"LineDiag", "Line"},
        {"LineWidth", "Line Width"},
        {"LineStyle", "Line Style"},
        {"OK", "OK"},
        {"Cancel", "Cancel"},
        {"Fill", "Fill"},
        {"Mode", "Mode"},
        {"Patterns", "Patterns"},
        {"Text", "Text"},
        {"LoadFromFile", "Load From File ..."},
        {"SaveToFile", "Save To File ..."},
        {"Font", "Font ..."},
        {"CreateImageStamp", "Create Image Stamp ..."},
        {"StampName", "Stamp Name"},
        {"ImageStampFile", "Image Stamp File"},
        {"Browse", "Browse ..."},
        {"RubberStampProperties", "Rubber Stamp Properties"},
        {"Stamps", "Stamps"},
        {"StampText", "Stamp Text"},
        {"CreateText", "Create Text ..."},
        {"CreateImage", "Create Image ..."},
        {"Delete", "Delete"},
        {"Edit", "Edit ..."},
        {"CreateTextRubberStamp", "Create Text Rubber Stamp"},
        {"Date", "Date"},
        {"Time", "Time"},
    };
    const ProfileFile file(SystemFilePath(QStringLiteral("glosa_txt.ini")));
    for (auto it = menus.cbegin(); it != menus.cend(); ++it)
        t.Menus.insert(it.key(), file.ReadString("Menus", it.key(), it.value()).left(49));
    for (auto it = dialogs.cbegin(); it != dialogs.cend(); ++it)
        t.Dialogs.insert(it.key(), file.ReadString("Dialogs", it.key(), it.value()).left(49));
    return t;
}

std::optional<Table>& Cached()
{
    static std::optional<Table> table;
    return table;
}

const Table& Get()
{
    if (!Cached())
        Cached() = Load();
    return *Cached();
}

} // namespace

QString MenuText(const char* key)
{
    return Get().Menus.value(QString::fromLatin1(key), QString::fromLatin1(key));
}

QString DialogText(const char* key)
{
    return Get().Dialogs.value(QString::fromLatin1(key), QString::fromLatin1(key));
}

void ReloadTextTable()
{
    Cached().reset();
}

} // namespace Tonlyra::Glosa
