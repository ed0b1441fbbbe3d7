#pragma once

// The CD reading interface of the copy library: a small C-style API over libcdio and
// libcdio-paranoia (one active drive, one open ripper at a time, used from one thread).
// Drives are those of Tonlyra::Cd::DriveList(): real drives and CD images alike.
// Internal to libspardon; nothing here is exported.

#include <cstddef>
#include <cstdint>

namespace Tonlyra::Spardon {

using CR_RESULT = std::int32_t;
constexpr CR_RESULT CR_OK = 0;
constexpr CR_RESULT CR_ERROR = 1;        // failure; from CR_RipChunk: the chunk could not be read
constexpr CR_RESULT CR_JITTER_ERROR = 3; // CR_RipChunk: data read, a jitter error was met
constexpr CR_RESULT CR_RIP_DONE = 4;     // CR_RipChunk: the last data of the copy (still valid)

// Sample formats the ripper delivers (the component's `TOutputFormat`).
constexpr std::int32_t CR_STEREO44100 = 0;
constexpr std::int32_t CR_MONO44100 = 1;
constexpr std::int32_t CR_STEREO22050 = 2;
constexpr std::int32_t CR_MONO22050 = 3;
constexpr std::int32_t CR_STEREO11025 = 4;
constexpr std::int32_t CR_MONO11025 = 5;

#pragma pack(push, 1)
// The parameter record of one drive (340 bytes).
struct CR_CDROMPARAMS
{
    char DriveName[256];           // 0: device or image path, NUL-terminated (may be cut)
    std::int32_t DriveIndex;       // 256
    std::int32_t ChunkSectors;     // 260: sectors read per CR_RipChunk
    std::uint8_t Reserved1[12];    // 264
    std::int32_t Speed;            // 276: drive speed (1 = 150 kB/s); 0 = drive's own
    std::int32_t Retries;          // 280: read retries per sector
    std::int32_t JitterCorrection; // 284: non-zero (all bits) = on
    std::int32_t Overlap;          // 288: reserved
    std::int32_t DriveType;        // 292: drive table, seven values
    std::int32_t ReadMethod;       // 296
    std::int32_t SetSpeedMethod;   // 300
    std::int32_t Endian;           // 304: 0 little, 1 big
    std::int32_t EnableMode;       // 308
    std::int32_t Density;          // 312
    std::int32_t Atapi;            // 316
    std::uint8_t Reserved2[7];     // 320
    std::int32_t OutputFormat;     // 327: CR_STEREO44100 ...
    std::uint8_t Reserved3[9];     // 331
};
#pragma pack(pop)

static_assert(sizeof(CR_CDROMPARAMS) == 340);
static_assert(offsetof(CR_CDROMPARAMS, Speed) == 276);
static_assert(offsetof(CR_CDROMPARAMS, JitterCorrection) == 284);
static_assert(offsetof(CR_CDROMPARAMS, DriveType) == 292);
static_assert(offsetof(CR_CDROMPARAMS, Atapi) == 316);
static_assert(offsetof(CR_CDROMPARAMS, OutputFormat) == 327);

struct CR_TOCENTRY
{
    std::int32_t StartSector = 0; // logical sector number
    std::uint8_t TrackNumber = 0; // 0xAA for the lead-out entry
    bool IsAudio = false;
};

std::int32_t CR_GetCDRipVersion();
CR_RESULT CR_Init();
CR_RESULT CR_GetCDROMParameters(CR_CDROMPARAMS* params);
CR_RESULT CR_SetCDROMParameters(const CR_CDROMPARAMS* params);
std::int32_t CR_GetActiveCDROM();
CR_RESULT CR_SetActiveCDROM(std::int32_t drive);
std::int32_t CR_GetNumCDROM();
CR_RESULT CR_ReadToc();
std::int32_t CR_GetNumTocEntries();
// Entries 0 .. count - 1 are the tracks; entry count is the lead-out.
CR_TOCENTRY CR_GetTocEntry(std::int32_t index);

// Opens a copy of sectors first to last, both included. *bufferSize: the largest chunk in bytes
// that CR_RipChunk will deliver.
CR_RESULT CR_OpenRipper(std::int32_t* bufferSize, std::int32_t first, std::int32_t last);
CR_RESULT CR_RipChunk(std::uint8_t* buffer, std::int32_t* bytesRead);
std::int32_t CR_GetPercentCompleted();
std::int32_t CR_GetNumberOfJitterErrors();
void CR_GetLastJitterErrorPosition(std::int32_t* first, std::int32_t* last);
CR_RESULT CR_CloseRipper();

// Records a correction event reported by the reader at the given sample position (the paranoia
// callback; also how tests simulate a scratched disc).
void CR_NoteReadEvent(long samplePosition, int paranoiaEvent);

} // namespace Tonlyra::Spardon
