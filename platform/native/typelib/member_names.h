// Member and parameter names: GetNames and the name-to-DISPID lookup, which
// ignores letter case.
#pragma once

#include "platform/native/typelib/type_library_model.h"

namespace platform::typelib {

// Whether `name` is `text` without regard to letter case. A member without
// a name matches nothing.
bool SameName(const std::optional<std::u16string>& name, LPCOLESTR text);

// The member's name, then the names of its first `paramCount` parameters
// up to the first parameter without one, at most `maxNames`.
HRESULT MemberNames(const FunctionModel& function, size_t paramCount, BSTR* names, UINT maxNames,
                    UINT* nameCount);

// members[0] = the member's DISPID; members[i] = the position among its
// first `paramCount` parameters of the one named names[i], or
// DISPID_UNKNOWN (then DISP_E_UNKNOWNNAME).
HRESULT MemberAndParameterIds(const FunctionModel& function, size_t paramCount, LPOLESTR* names,
                              UINT nameCount, MEMBERID* members);

}  // namespace platform::typelib
