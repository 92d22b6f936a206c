// Placeholder substitution in the registration script: every "%name%" is
// replaced, in one pass from the start, by the text of the replacement
// whose name equals `name` without regard to letter case. What has been put
// in is not scanned again.
#pragma once

#include <cstddef>

#include "platform/windows_api.h"

namespace korvel {

struct ScriptReplacement {
  const OLECHAR* name;
  const OLECHAR* text;
};

// The substituted text, NUL-terminated, in memory from HeapAlloc that the
// caller frees. E_OUTOFMEMORY when it cannot be allocated or the
// replacements put in would come to more than a megabyte; DISP_E_EXCEPTION
// for a placeholder without its closing "%", a name not in `replacements`,
// or a replacement that does not convert to the ANSI code page.
HRESULT SubstitutePlaceholders(const char* text, size_t length,
                               const ScriptReplacement* replacements,
                               size_t replacementCount, char** substituted,
                               size_t* substitutedLength);

}  // namespace korvel
