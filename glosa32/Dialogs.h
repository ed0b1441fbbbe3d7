#pragma once

// The property dialogs of the context menus (line, fill, text) and the rubber-stamp dialogs.
// Every control carries its numeric id as object name ("201", "202", ...), every dialog its
// template name ("LINESTYLE", ...).

#include "glosa32/Objects.h"

#include <QString>

#include <functional>
#include <string>

class QDialog;
class QWidget;

namespace Tonlyra::Glosa {

// Each returns true when the object was changed.
bool RunLineDialog(QWidget* parent, AObject& object);
bool RunFillDialog(QWidget* parent, AObject& object);
bool RunTextDialog(QWidget* parent, ALabel& label);
// The stamps dialog: true when a stamp was chosen (and applied to stamp).
bool RunStampDialog(QWidget* parent, AStamp& stamp, const std::string& libraryPath);

// The file filter of the picture chooser.
QString ImageFileFilter();

// Runs a modal dialog. With a driver installed (tests), the driver gets the dialog instead of
// the user: it sets controls, clicks buttons, and the dialog's result is returned.
using DialogDriver = std::function<void(QDialog&)>;
DialogDriver SetDialogDriver(DialogDriver driver);
int ExecDialog(QDialog& dialog);

} // namespace Tonlyra::Glosa
