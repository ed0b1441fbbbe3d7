#pragma once

// The program's log: one category for each subsystem, so that a subsystem's messages can be
// turned up or down on their own, e.g. QT_LOGGING_RULES="tonlyra.media.debug=true" or
// "tonlyra.focus.warning=false". Warnings and information are on, debug messages off, unless
// the rules say otherwise. A subsystem that starts logging gets its category here (and in the
// README's list).

#include <QLoggingCategory>

namespace Tonlyra::Log {

Q_DECLARE_LOGGING_CATEGORY(Platform)    // tonlyra.platform: settings files, caches, questions
Q_DECLARE_LOGGING_CATEGORY(Focus)       // tonlyra.focus: winning the focus back for the player
Q_DECLARE_LOGGING_CATEGORY(Cd)          // tonlyra.cd: CD drives (libcdio's own messages)
Q_DECLARE_LOGGING_CATEGORY(Translation) // tonlyra.i18n: the Swedish interface
Q_DECLARE_LOGGING_CATEGORY(Media)       // tonlyra.media: playback, sound output, spoken cells
Q_DECLARE_LOGGING_CATEGORY(IR)          // tonlyra.ir: infrared frames on the serial port
Q_DECLARE_LOGGING_CATEGORY(Picture)     // tonlyra.picture: pictures and their annotations
Q_DECLARE_LOGGING_CATEGORY(Player)      // tonlyra.player: the player's grid and its cells
Q_DECLARE_LOGGING_CATEGORY(Usage)       // tonlyra.usage: the use log
Q_DECLARE_LOGGING_CATEGORY(Input)       // tonlyra.input: the switches' inputs, joysticks

} // namespace Tonlyra::Log
