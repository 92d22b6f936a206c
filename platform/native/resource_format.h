// The form in which a module's resources follow its ELF image in the
// module file, written by the build (platform/tools/append_resources) and
// read by the layer's FindResourceA.
//
// After the image come the resources' bytes, then a directory with one
// record per resource, then a trailer of kTrailerBytes at the very end of
// the file. All numbers are little-endian.
//
//   directory record: u32 type id (0: the type is a name), u32 name id
//   (0: a name), u16 language, u16 type name length, u16 name length,
//   u16 zero, u64 offset of the bytes, u32 byte count, then the type name
//   and the name, each without a NUL.
//
//   trailer: "KRVLRSC1", u64 offset of the resources' bytes (the end of the
//   image), u64 offset of the directory, u32 record count, u32 directory
//   byte count.
//
// Reading checks every count and offset against the file, so a damaged
// trailer or directory reads as "no resources", never past its bounds, and
// the resources together never hold more bytes than the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::resource_format {

constexpr char kMagic[8] = {'K', 'R', 'V', 'L', 'R', 'S', 'C', '1'};
constexpr size_t kTrailerBytes = 32;
constexpr size_t kRecordBytes = 28;
constexpr uint32_t kMaxRecords = 4096;
constexpr size_t kMaxNameBytes = 255;

// A type or a name: an integer id, or a text when id is 0.
struct ResourceKey {
  uint16_t id = 0;
  std::string text;
};

struct ResourceRecord {
  ResourceKey type;
  ResourceKey name;
  uint16_t language = 0;
  uint64_t offset = 0;
  uint32_t bytes = 0;
};

struct Trailer {
  uint64_t resourcesStart = 0;
  uint64_t directoryOffset = 0;
  uint32_t recordCount = 0;
  uint32_t directoryBytes = 0;
};

// Reads the trailer in the last kTrailerBytes of a file of `fileBytes`.
// False when it is missing or its numbers do not fit the file.
bool ParseTrailer(const unsigned char* trailer, uint64_t fileBytes, Trailer* parsed);

// Reads the directory that `trailer` describes. False when a record runs
// past the directory, names bytes outside the resource area or bytes that
// do not follow those of the record before it (so that resources never
// share bytes), or the directory holds bytes no record accounts for.
bool ParseDirectory(const unsigned char* directory, const Trailer& trailer,
                    std::vector<ResourceRecord>* records);

// The directory and trailer for `records`, whose bytes start at
// `resourcesStart`; to be written right after those bytes.
std::string SerializeDirectory(const std::vector<ResourceRecord>& records,
                               uint64_t resourcesStart, uint64_t directoryOffset);

}  // namespace platform::resource_format
