#pragma once

// The annotation container: one text holding several annotation sets, one per picture page.
//
//   header     "%10ld %10ld\n"      total length, directory size
//   directory  "%2ld %10ld %10ld\n" per set: index, offset of its block, block length
//   blocks     in directory order
//
// A block holds one line per object: "<length> <record>\n", the length counting the record and
// its line feed. Files keep the same text with CR LF line ends; every length and offset counts
// single line feeds.

#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace Tonlyra::Glosa {

struct SetEntry
{
    int Index = 0;
    std::string Block;
};

using SetList = std::vector<SetEntry>;

// Texts shorter than this hold no set.
constexpr std::size_t MinContainerLength = 22;

// Reads the sets of a container text. Directory entries whose block lies outside the text,
// or whose numbers are not numbers, are dropped; the rest is read. Never reads outside text.
SetList ReadContainer(std::string_view text);
// Lays the sets out in order into a container text.
std::string WriteContainer(const SetList& sets);

// The set operations; each works on the directory order as it stands.
// Replaces the block of the first set with index, or appends a new set.
void PutSet(SetList& sets, int index, std::string block);
// Removes the first set with index: the last set takes its place. False when there is none.
bool DropSet(SetList& sets, int index);
// Removes set index and lowers the indexes above it by one.
void RemoveSet(SetList& sets, int index);
// Raises every index at or above index by one.
void InsertRoom(SetList& sets, int index);
// Swaps two indexes; a lone one takes the other's index.
void ExchangeSets(SetList& sets, int index1, int index2);
// Copies set sourceIndex of source into target at targetIndex. False when source lacks it.
bool CopySet(const SetList& source, int sourceIndex, SetList& target, int targetIndex);

// One record of a block: its tag and the text after the tag's "]" up to the line end.
struct Record
{
    std::string Tag;
    std::string Fields;
};
// Splits a block into records. A length of 0 or less, or a missing "[", ends the block; an
// empty tag is passed over.
std::vector<Record> ParseBlock(std::string_view block);
// One block line for a record text: "<length> <text>\n".
std::string BlockLine(std::string_view recordText);

// The largest container file read; larger ones are refused, as they would have to be held in
// memory whole.
constexpr long long MaxContainerFileSize = 256LL * 1024 * 1024;

enum class FileRead
{
    Done,
    Missing,
    Failed
};
// Reads a container file into text, its CR LF pairs turned into LF. A file larger than
// MaxContainerFileSize is not read: the user is told "Can't allocate %ld bytes!" (caption
// "ReadHead"), with parent as the message's window, and the result is Failed.
FileRead ReadContainerFile(const std::string& path, std::string& text, QWidget* parent = nullptr);
// Writes text with its LF as CR LF.
bool WriteContainerFile(const std::string& path, const std::string& text);

} // namespace Tonlyra::Glosa
