#include "registry_names.h"

namespace platform::registry_names {

int RootIndex(HKEY key) {
  const auto value = static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(key));
  if (reinterpret_cast<ULONG_PTR>(key) >> 32 != 0 &&
      reinterpret_cast<ULONG_PTR>(key) >> 32 != 0xFFFFFFFFu)
    return -1;
  if (value < 0x80000000u || value > 0x80000006u) return -1;
  return static_cast<int>(value - 0x80000000u);
}

std::string Upper(const std::string& name) {
  std::string upper(name);
  for (char& c : upper) {
    const auto byte = static_cast<unsigned char>(c);
    unsigned char folded = byte;
    if (byte >= 'a' && byte <= 'z')
      folded = byte - 0x20;
    else if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)
      folded = byte - 0x20;
    else if (byte == 0x9A || byte == 0x9C || byte == 0x9E)
      folded = byte - 0x10;  // s, oe, z with caron or ligature
    else if (byte == 0xFF)
      folded = 0x9F;  // y with diaeresis
    c = static_cast<char>(folded);
  }
  return upper;
}

std::string NormalizedPath(const std::string& path) {
  size_t first = path.find_first_not_of('\\');
  if (first == std::string::npos) return std::string();
  size_t last = path.find_last_not_of('\\');
  return Upper(path.substr(first, last - first + 1));
}

}  // namespace platform::registry_names
