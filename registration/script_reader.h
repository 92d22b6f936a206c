// Tokens of the registration script's notation: words separated by spaces,
// tabs, CR and LF, and tokens in single quotes, inside which two single
// quotes stand for one. The reader only looks at the text it is given and
// never reads past its end.
#pragma once

#include <cstddef>

#include "platform/windows_api.h"

namespace korvel {

struct ScriptToken {
  const char* start = nullptr;  // for a quoted token, just inside the quotes
  size_t length = 0;
  bool quoted = false;
};

class ScriptReader {
 public:
  ScriptReader(const char* text, size_t length) : text_(text), length_(length) {}

  // S_OK with the next token, S_FALSE at the end of the text, or
  // DISP_E_EXCEPTION for a quoted token without its closing quote or with
  // text glued to it.
  HRESULT Next(ScriptToken* token);
  // As Next, but the token stays to be read.
  HRESULT Peek(ScriptToken* token);

 private:
  const char* text_;
  size_t length_;
  size_t position_ = 0;
};

// Whether `token` is the bare word `word`, without regard to letter case.
bool IsWord(const ScriptToken& token, const char* word);

// Copies the token's text, with doubled quotes made single, and a
// terminating NUL into `out`. The text takes at most token.length + 1 bytes.
// False when it does not fit in `outBytes`.
bool CopyTokenText(const ScriptToken& token, char* out, size_t outBytes);

}  // namespace korvel
