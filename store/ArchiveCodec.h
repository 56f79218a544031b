// The settings archive's byte format: header, pair count, length-prefixed
// keys and values, little-endian. Pure functions over memory, so they build
// and are fuzzed on any host.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include "ArchiveError.h"
#include "BucketMap.h"

namespace store {

inline constexpr const char* kArchiveVersion = "<<1.1>>";

// Files above this size are refused as "Out of memory." instead of being read:
// nothing the program writes comes near it, and a 32-bit process could not
// hold the map of a much larger one.
inline constexpr std::uint64_t kMaxArchiveFileSize = 256u * 1024u * 1024u;

enum class DecodeStatus {
    Complete,     // header accepted, every pair read
    WrongHeader,  // a complete header other than the version we read
    Failed,       // error says why; the pairs read before it are kept
};

struct DecodeResult {
    DecodeStatus status = DecodeStatus::Failed;
    ArchiveError error = ArchiveError::None;
};

// The whole file: version, count field, pairs in the map's write order; a
// wide value is written as the archive's wide string.
// Throws std::bad_alloc when memory runs out.
std::string EncodeArchive(const std::string& version, const CBucketMap& values);

// Stores the header in version once it has been read completely, and every
// complete pair in values (a later duplicate replaces the earlier value).
// Values come as they are stored: 8-bit bytes, or wide strings as their
// UTF-16LE units (no code page is involved). Keys are always 8-bit.
// Never throws; a length larger than what is left ends in EndOfFile before
// anything of that size is allocated.
DecodeResult DecodeArchive(std::string_view bytes, std::string& version, CBucketMap& values);

// The first archive string alone.
ArchiveError DecodeHeader(std::string_view bytes, std::string& version);

}  // namespace store
