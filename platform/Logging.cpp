#include "platform/Logging.h"

namespace Tonlyra::Log {

// Debug messages stay off unless QT_LOGGING_RULES turns them on.
Q_LOGGING_CATEGORY(Platform, "tonlyra.platform", QtInfoMsg)
Q_LOGGING_CATEGORY(Focus, "tonlyra.focus", QtInfoMsg)
Q_LOGGING_CATEGORY(Cd, "tonlyra.cd", QtInfoMsg)
Q_LOGGING_CATEGORY(Translation, "tonlyra.i18n", QtInfoMsg)
Q_LOGGING_CATEGORY(Media, "tonlyra.media", QtInfoMsg)
Q_LOGGING_CATEGORY(IR, "tonlyra.ir", QtInfoMsg)
Q_LOGGING_CATEGORY(Picture, "tonlyra.picture", QtInfoMsg)
Q_LOGGING_CATEGORY(Player, "tonlyra.player", QtInfoMsg)
Q_LOGGING_CATEGORY(Usage, "tonlyra.usage", QtInfoMsg)
Q_LOGGING_CATEGORY(Input, "tonlyra.input", QtInfoMsg)

} // namespace Tonlyra::Log
