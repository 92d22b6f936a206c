// Feeds arbitrary text to the reader of the registry file. What it takes
// must write back out as text it reads again to the same tree: the file the
// layer saves is the file it loads.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/native/registry_file.h"

namespace {

namespace names = platform::registry_names;
namespace file = platform::registry_file;

void EmptyRoots(file::Roots& roots) {
  for (int i = 0; i < names::kRootCount; ++i) {
    roots[i] = std::make_shared<platform::registry::Key>();
    roots[i]->rootIndex = i;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  file::Roots roots;
  EmptyRoots(roots);
  std::string problem, written;
  if (!file::Parse(text, roots, &problem) || !file::Format(roots, &written)) return 0;
  file::Roots again;
  EmptyRoots(again);
  std::string rewritten;
  if (!file::Parse(written, again, &problem) || !file::Format(again, &rewritten) ||
      rewritten != written) {
    std::abort();
  }
  return 0;
}
