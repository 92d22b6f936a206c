#include "registration/script_passes.h"

#include <cstring>

#include "platform/raii.h"
#include "registration/registry_tree.h"
#include "registration/script_reader.h"

namespace korvel {
namespace {

// Deeper nesting than any script of ours needs; bounds the recursion.
constexpr int kMaxNesting = 32;
constexpr size_t kMaxKeyNameChars = 255;

enum class Pass { kRegister, kUnregister, kSkip };
enum class KeyFlag { kNone, kNoRemove, kForceRemove };

bool IsStructural(const ScriptToken& token) {
  return IsWord(token, "{") || IsWord(token, "}") || IsWord(token, "=");
}

// Opens `name` below `parent` into `key`, or creates it. A call that fails
// owns nothing, whatever it left in the slot, so the slot is forgotten
// rather than closed.
bool OpenKey(HKEY parent, const char* name, REGSAM access, unique_hkey* key) {
  if (RegOpenKeyExA(parent, name, 0, access, key->put()) == ERROR_SUCCESS) return true;
  key->forget();
  return false;
}

bool CreateKey(HKEY parent, const char* name, unique_hkey* key) {
  if (RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, key->put(), nullptr) == ERROR_SUCCESS)
    return true;
  key->forget();
  return false;
}

void WriteString(HKEY key, const char* name, const char* text) {
  // A value that cannot be written is not reported; the pass goes on.
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                 static_cast<DWORD>(std::strlen(text) + 1));
}

// One walk over the script: parses the notation and, depending on the
// pass, writes, removes or only passes over the entries.
class ScriptWalk {
 public:
  // `scratch` holds the text of the tokens of one entry; length + 2 bytes
  // are always enough.
  ScriptWalk(const char* text, size_t length, char* scratch, size_t scratchBytes)
      : reader_(text, length), scratch_(scratch), scratchBytes_(scratchBytes) {}

  // The root name, its block, and nothing after it.
  HRESULT Run(Pass pass) {
    ScriptToken token;
    if (reader_.Next(&token) != S_OK || !IsWord(token, "HKCR")) return DISP_E_EXCEPTION;
    RETURN_IF_FAILED(Expect("{"));
    RETURN_IF_FAILED(Block(HKEY_CLASSES_ROOT, pass, 1));
    return reader_.Next(&token) == S_FALSE ? S_OK : DISP_E_EXCEPTION;
  }

 private:
  HRESULT Expect(const char* word) {
    ScriptToken token;
    return reader_.Next(&token) == S_OK && IsWord(token, word) ? S_OK : DISP_E_EXCEPTION;
  }

  // Takes the next token if it is the bare `word`.
  bool Accept(const char* word) {
    ScriptToken token;
    if (reader_.Peek(&token) != S_OK || !IsWord(token, word)) return false;
    reader_.Next(&token);
    return true;
  }

  HRESULT ReadName(ScriptToken* name) {
    return reader_.Next(name) == S_OK && !IsStructural(*name) ? S_OK : DISP_E_EXCEPTION;
  }

  // After "=": the type letter and the quoted value.
  HRESULT ReadStringValue(ScriptToken* value) {
    RETURN_IF_FAILED(Expect("s"));
    return reader_.Next(value) == S_OK && value->quoted ? S_OK : DISP_E_EXCEPTION;
  }

  // Entries up to and including the closing brace of the block.
  HRESULT Block(HKEY parent, Pass pass, int depth) {
    if (depth > kMaxNesting) return DISP_E_EXCEPTION;
    for (;;) {
      ScriptToken token;
      if (reader_.Next(&token) != S_OK) return DISP_E_EXCEPTION;
      if (IsWord(token, "}")) return S_OK;
      RETURN_IF_FAILED(IsWord(token, "val") ? ValueEntry(parent, pass)
                                            : KeyEntry(token, parent, pass, depth));
    }
  }

  // "val", the value name, "=", "s", the quoted value.
  HRESULT ValueEntry(HKEY parent, Pass pass) {
    ScriptToken name, value;
    RETURN_IF_FAILED(ReadName(&name));
    RETURN_IF_FAILED(Expect("="));
    RETURN_IF_FAILED(ReadStringValue(&value));
    char* nameText = scratch_;
    if (!CopyTokenText(name, nameText, scratchBytes_)) return DISP_E_EXCEPTION;
    const size_t used = std::strlen(nameText) + 1;
    char* valueText = scratch_ + used;
    if (!CopyTokenText(value, valueText, scratchBytes_ - used)) return DISP_E_EXCEPTION;
    if (pass == Pass::kRegister)
      WriteString(parent, nameText, valueText);
    else if (pass == Pass::kUnregister)
      RegDeleteValueA(parent, nameText);  // a missing value is no error
    return S_OK;
  }

  // An optional flag, the key name, optionally "= s 'default'", and
  // optionally the key's own block.
  HRESULT KeyEntry(ScriptToken token, HKEY parent, Pass pass, int depth) {
    KeyFlag flag = KeyFlag::kNone;
    if (IsWord(token, "NoRemove"))
      flag = KeyFlag::kNoRemove;
    else if (IsWord(token, "ForceRemove"))
      flag = KeyFlag::kForceRemove;
    if (flag != KeyFlag::kNone && reader_.Next(&token) != S_OK) return DISP_E_EXCEPTION;
    char name[kMaxKeyNameChars + 1];
    if (IsStructural(token) || !CopyTokenText(token, name, sizeof name) || name[0] == 0 ||
        std::strchr(name, '\\') != nullptr)
      return DISP_E_EXCEPTION;  // a key entry names exactly one key
    ScriptToken value;
    const bool hasDefault = Accept("=");
    if (hasDefault) RETURN_IF_FAILED(ReadStringValue(&value));
    const bool hasBlock = Accept("{");

    switch (pass) {
      case Pass::kRegister:
        return RegisterKey(parent, name, flag, hasDefault ? &value : nullptr, hasBlock, depth);
      case Pass::kUnregister:
        return UnregisterKey(parent, name, flag, hasBlock, depth);
      case Pass::kSkip:
        break;
    }
    return hasBlock ? Block(nullptr, Pass::kSkip, depth + 1) : S_OK;
  }

  HRESULT RegisterKey(HKEY parent, const char* name, KeyFlag flag, const ScriptToken* value,
                      bool hasBlock, int depth) {
    if (flag == KeyFlag::kForceRemove) DeleteRegistryKeyTree(parent, name);  // not reported
    unique_hkey key;
    if (!OpenKey(parent, name, KEY_ALL_ACCESS, &key) &&
        !OpenKey(parent, name, KEY_READ, &key) && !CreateKey(parent, name, &key))
      return DISP_E_EXCEPTION;
    if (value != nullptr) {
      if (!CopyTokenText(*value, scratch_, scratchBytes_)) return DISP_E_EXCEPTION;
      WriteString(key.get(), nullptr, scratch_);
    }
    return hasBlock ? Block(key.get(), Pass::kRegister, depth + 1) : S_OK;
  }

  HRESULT UnregisterKey(HKEY parent, const char* name, KeyFlag flag, bool hasBlock, int depth) {
    unique_hkey key;
    // Writing is asked for so that value entries can be deleted; reading
    // is enough to go on.
    if (!OpenKey(parent, name, KEY_READ | KEY_WRITE, &key) &&
        !OpenKey(parent, name, KEY_READ, &key))
      return hasBlock ? Block(nullptr, Pass::kSkip, depth + 1) : S_OK;
    // A broken block still lets this key go if what was read emptied it,
    // so that a roll-back leaves no key of the script behind.
    const HRESULT hr = hasBlock ? Block(key.get(), Pass::kUnregister, depth + 1) : S_OK;
    // Only whether a first subkey is left: a key the script names many times
    // is not counted through each time.
    char subkey[kMaxKeyNameChars + 1];
    DWORD chars = sizeof subkey;
    const bool empty = RegEnumKeyExA(key.get(), 0, subkey, &chars, nullptr, nullptr, nullptr,
                                     nullptr) == ERROR_NO_MORE_ITEMS;
    key.reset();
    if (empty && flag != KeyFlag::kNoRemove) RegDeleteKeyA(parent, name);  // not reported
    return hr;
  }

  ScriptReader reader_;
  char* scratch_;
  size_t scratchBytes_;
};

HRESULT RunPass(const char* text, size_t length, Pass pass) {
  const size_t scratchBytes = length + 2;
  unique_heap_ptr scratch(HeapAlloc(GetProcessHeap(), 0, scratchBytes));
  if (!scratch) return E_OUTOFMEMORY;
  return ScriptWalk(text, length, static_cast<char*>(scratch.get()), scratchBytes).Run(pass);
}

}  // namespace

HRESULT RegisterScriptEntries(const char* text, size_t length) {
  const HRESULT hr = RunPass(text, length, Pass::kRegister);
  if (FAILED(hr)) RunPass(text, length, Pass::kUnregister);  // the roll-back
  return hr;
}

HRESULT UnregisterScriptEntries(const char* text, size_t length) {
  return RunPass(text, length, Pass::kUnregister);
}

}  // namespace korvel
