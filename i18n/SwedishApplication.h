#pragma once

#include <QApplication>

namespace Tonlyra {

namespace Detail {
// Qt reads its system locale (the one its file dialogs show sizes and dates in) from the
// environment once, while the application object is made. This reads it as Swedish just
// before, and leaves the environment and the C library's locale as the user has them.
struct SwedishSystemLocale
{
    SwedishSystemLocale();
};
} // namespace Detail

// The application object of every program of ours (the player, the screenshot tool, the
// tests). Its windows are Swedish whatever the user's locale, as the program's own texts are:
// - Swedish is Qt's default and system locale (numbers, dates, sizes and file type names);
// - Qt's own Swedish translation is loaded where the system has it, and over it the
//   program's translation of what that lacks or gets wrong (the standard buttons, the file
//   dialog's labels, ...);
// - Qt's own dialogs are used rather than the desktop's, which speak the desktop's language;
// - every dialog is made wide enough to show its title in the window manager's title bar.
class SwedishApplication : private Detail::SwedishSystemLocale, public QApplication
{
public:
    SwedishApplication(int& argc, char** argv);
};

} // namespace Tonlyra
