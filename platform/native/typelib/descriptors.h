// The caller-owned description records: each is one heap block holding the
// record and every TYPEDESC and ELEMDESC it points to, so one HeapFree
// releases it.
#pragma once

#include "platform/native/typelib/type_library_model.h"
#include "platform/native/typelib/type_views.h"

namespace platform::typelib {

HRESULT NewFuncDesc(const ViewFunction& function, FUNCDESC** description);
HRESULT NewTypeAttr(const LibraryModel& library, const TypeModel& type, const TypeView& view,
                    TYPEATTR** attributes);
HRESULT NewLibAttr(const LibraryModel& library, TLIBATTR** attributes);
void FreeDescription(void* description);

}  // namespace platform::typelib
