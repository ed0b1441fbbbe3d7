#pragma once

// The menu and dialog texts, read once from "glosa_txt.ini" in the system folder so that a
// host can translate them. A missing file or key gives the English default.

#include <QString>

namespace Tonlyra::Glosa {

// The text of key in section "Menus" or "Dialogs" (up to 49 characters).
QString MenuText(const char* key);
QString DialogText(const char* key);
// Forgets the texts read, so that the next use reads the file again.
void ReloadTextTable();

} // namespace Tonlyra::Glosa
