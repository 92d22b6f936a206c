// Appends resources to a module file after linking, in the form the layer's
// FindResourceA reads (platform/native/resource_format.h). Resources the
// file already carries are replaced.
//
//   append_resources <module> (<type> <name> <language> <file>)...
//
// A type or name made of decimal digits is an integer id, anything else a
// name; the language is a number in C notation (0x409).
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "../native/resource_format.h"

namespace format = platform::resource_format;

namespace {

bool ReadWhole(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream content;
  content << in.rdbuf();
  *bytes = content.str();
  return !in.bad();
}

bool ParseKey(const std::string& text, format::ResourceKey* key) {
  if (text.empty() || text.size() > format::kMaxNameBytes) return false;
  if (text.find_first_not_of("0123456789") == std::string::npos) {
    const unsigned long id = std::strtoul(text.c_str(), nullptr, 10);
    if (id == 0 || id > 0xFFFF) return false;
    key->id = static_cast<uint16_t>(id);
  } else {
    key->text = text;
  }
  return true;
}

// The length of the image: what comes before resources appended earlier.
uint64_t ImageBytes(const std::string& module) {
  if (module.size() < format::kTrailerBytes) return module.size();
  format::Trailer trailer;
  const auto* end =
      reinterpret_cast<const unsigned char*>(module.data() + module.size() - format::kTrailerBytes);
  return format::ParseTrailer(end, module.size(), &trailer) ? trailer.resourcesStart
                                                            : module.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || (argc - 2) % 4 != 0) {
    std::cerr << "usage: append_resources <module> (<type> <name> <language> <file>)...\n";
    return 2;
  }
  const std::string modulePath = argv[1];
  std::string module;
  if (!ReadWhole(modulePath, &module)) {
    std::cerr << "append_resources: cannot read " << modulePath << "\n";
    return 1;
  }
  module.resize(ImageBytes(module));
  const uint64_t resourcesStart = module.size();
  std::vector<format::ResourceRecord> records;
  for (int i = 2; i < argc; i += 4) {
    format::ResourceRecord record;
    char* end = nullptr;
    const unsigned long language = std::strtoul(argv[i + 2], &end, 0);
    std::string bytes;
    if (!ParseKey(argv[i], &record.type) || !ParseKey(argv[i + 1], &record.name) ||
        *end != 0 || language > 0xFFFF) {
      std::cerr << "append_resources: bad resource " << argv[i] << " " << argv[i + 1] << " "
                << argv[i + 2] << "\n";
      return 2;
    }
    if (!ReadWhole(argv[i + 3], &bytes) || bytes.size() > 0xFFFFFFFFu) {
      std::cerr << "append_resources: cannot read " << argv[i + 3] << "\n";
      return 1;
    }
    record.language = static_cast<uint16_t>(language);
    record.offset = module.size();
    record.bytes = static_cast<uint32_t>(bytes.size());
    module += bytes;
    records.push_back(record);
  }
  if (records.size() > format::kMaxRecords) {
    std::cerr << "append_resources: too many resources\n";
    return 2;
  }
  module += format::SerializeDirectory(records, resourcesStart, module.size());

  // Replace the file in one step, keeping its permissions.
  struct stat info;
  const mode_t mode = stat(modulePath.c_str(), &info) == 0 ? info.st_mode & 07777 : 0644;
  const std::string temporary = modulePath + ".resources";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(module.data(), static_cast<std::streamsize>(module.size()));
    if (!out.flush()) {
      std::cerr << "append_resources: cannot write " << temporary << "\n";
      std::remove(temporary.c_str());
      return 1;
    }
  }
  if (chmod(temporary.c_str(), mode) != 0 || std::rename(temporary.c_str(), modulePath.c_str()) != 0) {
    std::cerr << "append_resources: cannot replace " << modulePath << ": " << std::strerror(errno)
              << "\n";
    std::remove(temporary.c_str());
    return 1;
  }
  return 0;
}
