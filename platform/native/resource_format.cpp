#include "resource_format.h"

#include <cstring>

namespace platform::resource_format {
namespace {

uint64_t Read(const unsigned char* bytes, int count) {
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

void Append(std::string* out, uint64_t value, int count) {
  for (int i = 0; i < count; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

bool ParseTrailer(const unsigned char* trailer, uint64_t fileBytes, Trailer* parsed) {
  if (fileBytes < kTrailerBytes || std::memcmp(trailer, kMagic, sizeof kMagic) != 0)
    return false;
  Trailer t;
  t.resourcesStart = Read(trailer + 8, 8);
  t.directoryOffset = Read(trailer + 16, 8);
  t.recordCount = static_cast<uint32_t>(Read(trailer + 24, 4));
  t.directoryBytes = static_cast<uint32_t>(Read(trailer + 28, 4));
  const uint64_t directoryEnd = fileBytes - kTrailerBytes;
  if (t.recordCount > kMaxRecords || t.directoryOffset > directoryEnd ||
      directoryEnd - t.directoryOffset != t.directoryBytes ||
      t.resourcesStart > t.directoryOffset ||
      t.directoryBytes > kMaxRecords * (kRecordBytes + 2 * kMaxNameBytes))
    return false;
  *parsed = t;
  return true;
}

bool ParseDirectory(const unsigned char* directory, const Trailer& trailer,
                    std::vector<ResourceRecord>* records) {
  records->clear();
  size_t at = 0;
  const size_t size = trailer.directoryBytes;
  // Each record's bytes follow the bytes of the one before: no byte of the
  // file is loaded for two resources.
  uint64_t previousEnd = trailer.resourcesStart;
  for (uint32_t i = 0; i < trailer.recordCount; ++i) {
    if (size - at < kRecordBytes) return false;
    const unsigned char* record = directory + at;
    ResourceRecord parsed;
    const uint64_t typeId = Read(record, 4), nameId = Read(record + 4, 4);
    parsed.language = static_cast<uint16_t>(Read(record + 8, 2));
    const size_t typeLength = Read(record + 10, 2), nameLength = Read(record + 12, 2);
    parsed.offset = Read(record + 16, 8);
    parsed.bytes = static_cast<uint32_t>(Read(record + 24, 4));
    at += kRecordBytes;
    if (typeId > 0xFFFF || nameId > 0xFFFF || typeLength > kMaxNameBytes ||
        nameLength > kMaxNameBytes || (typeId == 0) != (typeLength != 0) ||
        (nameId == 0) != (nameLength != 0) || size - at < typeLength + nameLength)
      return false;
    parsed.type.id = static_cast<uint16_t>(typeId);
    parsed.type.text.assign(reinterpret_cast<const char*>(directory + at), typeLength);
    at += typeLength;
    parsed.name.id = static_cast<uint16_t>(nameId);
    parsed.name.text.assign(reinterpret_cast<const char*>(directory + at), nameLength);
    at += nameLength;
    if (parsed.offset < previousEnd || parsed.offset > trailer.directoryOffset ||
        trailer.directoryOffset - parsed.offset < parsed.bytes)
      return false;
    previousEnd = parsed.offset + parsed.bytes;
    records->push_back(std::move(parsed));
  }
  return at == size;
}

std::string SerializeDirectory(const std::vector<ResourceRecord>& records,
                               uint64_t resourcesStart, uint64_t directoryOffset) {
  std::string out;
  for (const ResourceRecord& record : records) {
    Append(&out, record.type.id, 4);
    Append(&out, record.name.id, 4);
    Append(&out, record.language, 2);
    Append(&out, record.type.id ? 0 : record.type.text.size(), 2);
    Append(&out, record.name.id ? 0 : record.name.text.size(), 2);
    Append(&out, 0, 2);
    Append(&out, record.offset, 8);
    Append(&out, record.bytes, 4);
    if (record.type.id == 0) out += record.type.text;
    if (record.name.id == 0) out += record.name.text;
  }
  const auto directoryBytes = static_cast<uint32_t>(out.size());
  out.append(kMagic, sizeof kMagic);
  Append(&out, resourcesStart, 8);
  Append(&out, directoryOffset, 8);
  Append(&out, records.size(), 4);
  Append(&out, directoryBytes, 4);
  return out;
}

}  // namespace platform::resource_format
