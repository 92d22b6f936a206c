// ITypeInfo::Invoke: finds the member by DISPID and invocation kind, checks
// and converts the arguments to the declared parameter types, calls the
// member's vtable entry on the instance and hands back its [out, retval]
// value as the result.
#pragma once

#include "platform/native/typelib/type_views.h"

namespace platform::typelib {

HRESULT InvokeMember(const TypeView& view, void* instance, MEMBERID member, WORD flags,
                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                     UINT* argumentError);

}  // namespace platform::typelib
