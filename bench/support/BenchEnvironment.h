#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace Tonlyra::Bench {

// Benchmarks run without a screen or a sound card unless told otherwise: on the offscreen
// platform unless QT_QPA_PLATFORM names another, and with mpv's null outputs, which play in
// real time. Call before the application object is made.
inline void UseSilentOffscreenEnvironment()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TONLYRA_MPV_AO", "null");
    qputenv("TONLYRA_MPV_VO", "null");
}

} // namespace Tonlyra::Bench
