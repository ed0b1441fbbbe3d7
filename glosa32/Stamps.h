#pragma once

// The stamp library file: a count line, then one line per stamp.
//   text stamp:  "1 NAME\aTEXT\aFACE\a%lX %ld %ld %ld %ld %ld %d %d %d %d %d %d %d %d\n"
//   image stamp: "0 NAME\aFILE\n"
// Lines end in CR LF on disk; either ending is read.

#include "glosa32/Objects.h"

#include <QDateTime>

#include <string>
#include <vector>

namespace Tonlyra::Glosa {

// Reads the library; a missing or unreadable file is an empty library.
std::vector<StampDefinition> ReadStampLibrary(const std::string& path);
// Writes the library, leaving out deleted entries. False when it cannot be written, with error
// (if given) set to the errno.
bool WriteStampLibrary(const std::string& path, const std::vector<StampDefinition>& stamps,
                       int* error = nullptr);
// The library text as it is written (LF line ends).
std::string StampLibraryText(const std::vector<StampDefinition>& stamps);
std::vector<StampDefinition> ParseStampLibrary(std::string_view text);

// "%D" becomes the date as mm/dd/yyyy, "%T" the time as hh:mm; every other character is kept.
std::string ExpandStampCodes(std::string_view text, const QDateTime& now);

// The definition a stamp record or CreateStamp gets for name: the library's entry, with the
// codes of a text stamp expanded, and storedText kept when it is not empty. A name missing from
// the library gives a text stamp showing storedText.
StampDefinition ResolveStamp(const std::string& libraryPath, const std::string& name,
                             const std::string& storedText, const QDateTime& now);

// The clock used for stamp codes; tests may fix it.
QDateTime StampClock();
void SetStampClock(const QDateTime& fixed); // invalid: the real clock again

} // namespace Tonlyra::Glosa
