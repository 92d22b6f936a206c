#include "platform/native/typelib/member_names.h"

namespace platform::typelib {
namespace {

// Upper case for ASCII and Latin-1 letters, as names in libraries use.
char16_t Folded(char16_t c) {
  if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  return c;
}

}  // namespace

bool SameName(const std::optional<std::u16string>& name, LPCOLESTR text) {
  if (!name || text == nullptr) return false;
  size_t i = 0;
  for (; i < name->size(); ++i) {
    if (text[i] == 0 || Folded((*name)[i]) != Folded(static_cast<char16_t>(text[i]))) return false;
  }
  return text[i] == 0;
}

HRESULT MemberNames(const FunctionModel& function, size_t paramCount, BSTR* names, UINT maxNames,
                    UINT* nameCount) {
  *nameCount = 0;
  std::vector<const std::u16string*> found;
  if (function.name) found.push_back(&*function.name);
  for (size_t p = 0; p < paramCount && found.size() < maxNames; ++p) {
    const ParamModel& param = function.params[p];
    if (found.empty() || !param.name) break;
    found.push_back(&*param.name);
  }
  UINT written = 0;
  for (const std::u16string* name : found) {
    if (written >= maxNames) break;
    names[written] = SysAllocStringLen(name->data(), static_cast<UINT>(name->size()));
    if (names[written] == nullptr) {
      while (written > 0) SysFreeString(names[--written]);
      return E_OUTOFMEMORY;
    }
    ++written;
  }
  *nameCount = written;
  return S_OK;
}

HRESULT MemberAndParameterIds(const FunctionModel& function, size_t paramCount, LPOLESTR* names,
                              UINT nameCount, MEMBERID* members) {
  HRESULT result = S_OK;
  members[0] = function.memid;
  for (UINT i = 1; i < nameCount; ++i) {
    members[i] = DISPID_UNKNOWN;
    for (size_t p = 0; p < paramCount; ++p) {
      if (SameName(function.params[p].name, names[i])) {
        members[i] = static_cast<MEMBERID>(p);
        break;
      }
    }
    if (members[i] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
  }
  return result;
}

}  // namespace platform::typelib
