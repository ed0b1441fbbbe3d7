#pragma once

#include <QString>

namespace Tonlyra {

// Swedish speech for the texts of cells. A text is synthesized offline by eSpeak NG into a WAV
// file named by a hash of the text, the voice and the synthesizer's version, and kept in a
// folder on disk, so that a text is made once and afterwards costs only finding its file.
// The files play like any introduction sound. Runs on the thread that calls it (synthesizing a
// cell's text takes about a millisecond); all objects share the one synthesizer.
class SpeechCache
{
public:
    // The voice every text is spoken with.
    static const char* const Voice;

    // folder: where the files are kept. Empty: $TONLYRA_SPEECH_CACHE if set, otherwise the
    // user's cache folder ($XDG_CACHE_HOME/tonlyran/tal, ~/.cache/tonlyran/tal).
    explicit SpeechCache(const QString& folder = {});

    QString Folder() const { return CacheFolder; }

    // The WAV file that speaks text (blanks and line breaks count as one blank), made now unless
    // it exists. Empty for a text with nothing to say, or when no speech can be made: the
    // reason is then in ErrorText() (and on stderr, once a run).
    QString SoundFor(const QString& text);
    QString ErrorText() const { return Error; }
    // How many texts this object has synthesized (the others were found in the folder).
    int Synthesized() const { return SynthesizedCount; }

private:
    QString CacheFolder;
    QString Error;
    int SynthesizedCount = 0;
};

} // namespace Tonlyra
