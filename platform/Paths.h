#pragma once

#include <QString>

namespace Tonlyra {

// The folder part of path, absolute and ending in "/": the form in which the program keeps the
// folders its file dialogs start in.
QString FolderOf(const QString& path);

} // namespace Tonlyra
