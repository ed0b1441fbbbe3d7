#pragma once

// The property dialogs of the context menus (line, fill, text) and the rubber-stamp dialogs.
// Every control carries its numeric id as object name ("201", "202", ...), every dialog its
// template name ("LINESTYLE", ...).

#include "glosa32/Objects.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QDialog;
class QWidget;

namespace Tonlyra::Glosa {

// The dialogs work on values the caller copied from an object, and return true when OK changed
// them; the caller applies them only if the object still exists (the host runs while a dialog
// is open). A dialog destroyed with its parent window counts as cancelled.
bool RunLineDialog(QWidget* parent, int& lineWidth, int& lineStyle);
bool RunFillDialog(QWidget* parent, int& fillMode, int& fillPattern);
// Text of a label or note (UTF-8 or old single-byte text), its font and text colour.
bool RunTextDialog(QWidget* parent, std::string& text, LogFont& font, ColorRef& textColor);
// The stamps dialog: the chosen stamp (text codes expanded), or nothing.
std::optional<StampDefinition> RunStampDialog(QWidget* parent, const std::string& libraryPath);

// The file filter of the picture chooser.
QString ImageFileFilter();

// Runs a modal dialog. With a driver installed (tests), the driver gets the dialog instead of
// the user: it sets controls, clicks buttons, and the dialog's result is returned.
using DialogDriver = std::function<void(QDialog&)>;
DialogDriver SetDialogDriver(DialogDriver driver);
int ExecDialog(QDialog& dialog);

} // namespace Tonlyra::Glosa
