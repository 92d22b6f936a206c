#include "tests/support/type_library_bytes.h"

#include <cstring>

#include "platform/raii.h"

namespace korvel::testing {

std::vector<BYTE> ReadLibraryBytes(const char* windowsPath) {
  unique_file file(CreateFileA(windowsPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
  std::vector<BYTE> bytes;
  BYTE block[4096];
  DWORD read = 0;
  while (file && ReadFile(file.get(), block, sizeof(block), &read, nullptr) && read > 0) {
    bytes.insert(bytes.end(), block, block + read);
  }
  return bytes;
}

uint32_t Get32(const std::vector<BYTE>& bytes, size_t offset) {
  uint32_t value;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

void Put32(std::vector<BYTE>* bytes, size_t offset, uint32_t value) {
  std::memcpy(bytes->data() + offset, &value, 4);
}

size_t DirectoryOffset(const std::vector<BYTE>& library) {
  return 0x54 + 4 * size_t{Get32(library, 0x20)};
}

size_t SegmentOffset(const std::vector<BYTE>& library, int segment) {
  return Get32(library, DirectoryOffset(library) + 16 * static_cast<size_t>(segment));
}

std::vector<BYTE> WithImplementedInterfaces(std::vector<BYTE> library, size_t coclass,
                                            uint16_t count, HREFTYPE href) {
  library.resize((library.size() + 3) & ~size_t{3});
  const size_t table = library.size();
  library.resize(table + 16 * size_t{count});
  for (size_t i = 0; i < count; ++i) {
    const size_t node = table + 16 * i;
    Put32(&library, node, href);
    Put32(&library, node + 4, i == 0 ? IMPLTYPEFLAG_FDEFAULT : 0);
    Put32(&library, node + 8, 0xFFFFFFFF);
    Put32(&library, node + 12, i + 1 < count ? static_cast<uint32_t>(16 * (i + 1)) : 0xFFFFFFFF);
  }
  const size_t entry = DirectoryOffset(library) + 16 * kReferenceSegment;
  Put32(&library, entry, static_cast<uint32_t>(table));
  Put32(&library, entry + 4, 16u * count);
  const size_t record = SegmentOffset(library, kTypeInfoSegment) + kTypeRecordBytes * coclass;
  Put32(&library, record + 0x4C, (Get32(library, record + 0x4C) & 0xFFFF0000u) | count);
  Put32(&library, record + 0x54, 0);
  return library;
}

}  // namespace korvel::testing
