#pragma once

/*
 * libspardon: copying an audio CD track, whole or a stretch of it, to an MP3 or wave file.
 *
 * The library shows its own modal dialog in which the user chooses the format, the MP3 quality
 * and the file name, and watches (and may stop) the copy. The CD drive is the one whose disc
 * the program shows (Tonlyra::Cd::CurrentDrive in platform/CdDrives.h), or else the last drive
 * of the program's drive list holding an audio disc (TONLYRA_CD_DRIVES may name CD images).
 *
 * Threads: every function must be called from the thread that runs the QApplication (the GUI
 * thread); the dialog functions need a QApplication and return false without one. They are not
 * re-entrant: a dialog call made while a dialog of this library is open returns false.
 * No function raises an exception or otherwise fails out of the call: errors are shown in the
 * application's error message box and the function returns false. The dialog is shown through
 * the program's ask-the-user service (platform/UserPrompt.h), so it can be answered in advance;
 * where modal dialogs are off and nothing answers, it is not shown and the result is false.
 */

#ifdef __cplusplus
#include <cstdint>
#else
#include <stdbool.h>
#include <stdint.h>
#endif

#if defined(SPARDON_BUILDING)
#define SPARDON_EXPORT __attribute__((visibility("default")))
#else
#define SPARDON_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Offers a copy of the whole track `track` (1-based) of the disc in the drive.
 * Returns true when the user chose a file and the copy ran to its end (RippFileName then names
 * the file made); false when the user left with "Avbryt", when the track is not on the disc
 * (no dialog is shown), or when the CD reading could not be started (an error is shown).
 */
SPARDON_EXPORT bool RippTrackDialog(int32_t track);

/*
 * As RippTrackDialog for the stretch from `start` to `stop`, in milliseconds from the track's
 * start. No dialog is shown, and the result is false, when start < 0 or start >= stop.
 */
SPARDON_EXPORT bool RippTrackTimeDialog(int32_t track, int32_t start, int32_t stop);

/*
 * Fills `buffer` (256 bytes, owned by the caller) with the name of the file made by the last
 * finished copy of this run, as a length-prefixed string: byte 0 holds the length in bytes
 * (0..255), bytes 1 onward the name in the file system's encoding, not terminated. A longer
 * name is cut to the longest whole-character prefix of at most 255 bytes. Before any copy the
 * length is 0. A null buffer is ignored. May be called at any time.
 */
SPARDON_EXPORT void RippFileName(unsigned char* buffer);

#ifdef __cplusplus
}
#endif
