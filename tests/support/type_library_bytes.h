// The bytes of compiled type libraries, read and reshaped for tests and
// benchmarks of the layer's reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/windows_api.h"

namespace korvel::testing {

// The whole file at `windowsPath`; empty when it cannot be read.
std::vector<BYTE> ReadLibraryBytes(const char* windowsPath);

uint32_t Get32(const std::vector<BYTE>& bytes, size_t offset);
void Put32(std::vector<BYTE>* bytes, size_t offset, uint32_t value);

// Where the parts of a library without a help-string DLL lie.
size_t DirectoryOffset(const std::vector<BYTE>& library);
size_t SegmentOffset(const std::vector<BYTE>& library, int segment);
constexpr int kTypeInfoSegment = 0;
constexpr int kReferenceSegment = 3;
constexpr size_t kTypeRecordBytes = 0x64;

// `library`, whose type `coclass` is a coclass, with that coclass
// implementing `count` interfaces, each `href`, through a reference table of
// as many nodes appended to the file.
std::vector<BYTE> WithImplementedInterfaces(std::vector<BYTE> library, size_t coclass,
                                            uint16_t count, HREFTYPE href);

}  // namespace korvel::testing
