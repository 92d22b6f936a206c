#include "platform/native/typelib/type_info_object.h"

#include <new>

#include "platform/native/typelib/descriptors.h"
#include "platform/native/typelib/dispatch_invocation.h"
#include "platform/native/typelib/member_names.h"
#include "platform/native/typelib/standard_interfaces.h"
#include "platform/raii.h"

namespace platform::typelib {
TypeInfo::TypeInfo(TypeLibrary* library, size_t index, TypeView view)
    : library_(library), index_(index), view_(std::move(view)) {}

STDMETHODIMP TypeInfo::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_ITypeInfo) {
    *object = static_cast<ITypeInfo*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The first reference holds the library; the last lets it go, and with
// the library's last reference this object goes too.
STDMETHODIMP_(ULONG) TypeInfo::AddRef() {
  const ULONG now = ++references_;
  if (now == 1) library_->AddRef();
  return now;
}

STDMETHODIMP_(ULONG) TypeInfo::Release() {
  const ULONG remaining = --references_;
  if (remaining == 0) library_->Release();
  return remaining;
}

const ViewFunction* TypeInfo::FindMember(MEMBERID member) const {
  for (const ViewFunction& function : view_.functions) {
    if (function.stored->memid == member) return &function;
  }
  return nullptr;
}

STDMETHODIMP TypeInfo::GetTypeAttr(TYPEATTR** attributes) {
  if (attributes == nullptr) return E_INVALIDARG;
  *attributes = nullptr;
  return NewTypeAttr(*library_->model(), type(), view_, attributes);
}

STDMETHODIMP TypeInfo::GetTypeComp(ITypeComp** typeComp) {
  if (typeComp != nullptr) *typeComp = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TypeInfo::GetFuncDesc(UINT index, FUNCDESC** function) {
  if (function == nullptr) return E_INVALIDARG;
  *function = nullptr;
  if (index >= view_.functions.size()) return TYPE_E_ELEMENTNOTFOUND;
  return NewFuncDesc(view_.functions[index], function);
}

STDMETHODIMP TypeInfo::GetVarDesc(UINT, VARDESC** variable) {
  if (variable != nullptr) *variable = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TypeInfo::GetNames(MEMBERID member, BSTR* names, UINT maxNames, UINT* nameCount) {
  if (names == nullptr || nameCount == nullptr) return E_INVALIDARG;
  *nameCount = 0;
  const ViewFunction* function = FindMember(member);
  if (function == nullptr) return TYPE_E_ELEMENTNOTFOUND;
  return MemberNames(*function->stored, function->paramCount, names, maxNames, nameCount);
}

STDMETHODIMP TypeInfo::GetRefTypeOfImplType(UINT index, HREFTYPE* reference) {
  if (reference == nullptr) return E_INVALIDARG;
  if (index == static_cast<UINT>(-1)) {
    if (!view_.dual) return TYPE_E_ELEMENTNOTFOUND;
    *reference = kOtherDualHalf;
    return S_OK;
  }
  if (index >= view_.ImplTypeCount()) return TYPE_E_ELEMENTNOTFOUND;
  *reference = view_.ImplType(index).href;
  return S_OK;
}

STDMETHODIMP TypeInfo::GetImplTypeFlags(UINT index, INT* flags) {
  if (flags == nullptr) return E_INVALIDARG;
  if (index >= view_.ImplTypeCount()) return TYPE_E_ELEMENTNOTFOUND;
  *flags = view_.ImplType(index).flags;
  return S_OK;
}

STDMETHODIMP TypeInfo::GetIDsOfNames(LPOLESTR* names, UINT nameCount, MEMBERID* members) {
  if (names == nullptr || members == nullptr) return E_INVALIDARG;
  if (nameCount == 0) return S_OK;
  for (const ViewFunction& function : view_.functions) {
    if (SameName(function.stored->name, names[0])) {
      return MemberAndParameterIds(*function.stored, function.paramCount, names, nameCount, members);
    }
  }
  // The members of the base interfaces, for a view that does not list them.
  if (view_.kind != ViewKind::kDispatchHalf) {
    std::shared_ptr<const LibraryModel> library = library_->model();
    const TypeModel* current = &type();
    for (int depth = 0; depth < kMaxBaseDepth && !current->implTypes.empty(); ++depth) {
      TypeLocation base;
      if (FAILED(ResolveDescribedType(library, current->implTypes[0].href, &base))) break;
      library = base.library;
      current = &library->types[base.index];
      for (const FunctionModel& function : current->functions) {
        if (SameName(function.name, names[0])) {
          return MemberAndParameterIds(function, function.params.size(), names, nameCount, members);
        }
      }
    }
  }
  for (UINT i = 0; i < nameCount; ++i) members[i] = DISPID_UNKNOWN;
  return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP TypeInfo::Invoke(PVOID instance, MEMBERID member, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  return InvokeMember(view_, instance, member, flags, params, result, exception, argumentError);
}

STDMETHODIMP TypeInfo::GetDocumentation(MEMBERID member, BSTR* name, BSTR* docString,
                                        DWORD* helpContext, BSTR* helpFile) {
  const LibraryModel& library = *library_->model();
  if (member == MEMBERID_NIL) {
    return WriteDocumentation(type().name, type().docString, type().helpContext, library.helpFile,
                              name, docString, helpContext, helpFile);
  }
  const ViewFunction* function = FindMember(member);
  if (function == nullptr) return TYPE_E_ELEMENTNOTFOUND;
  return WriteDocumentation(function->stored->name, function->stored->docString,
                            function->stored->helpContext, library.helpFile, name, docString,
                            helpContext, helpFile);
}

STDMETHODIMP TypeInfo::GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) { return E_NOTIMPL; }

STDMETHODIMP TypeInfo::GetRefTypeInfo(HREFTYPE reference, ITypeInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  if (reference == kOtherDualHalf) {
    if (!view_.dual) return TYPE_E_ELEMENTNOTFOUND;
    const ViewKind other =
        view_.kind == ViewKind::kInterfaceHalf ? ViewKind::kDispatchHalf : ViewKind::kInterfaceHalf;
    return library_->TypeInfoOf(index_, other, info);
  }
  if ((reference & 3) == 0) {
    TypeLocation location;
    RETURN_IF_FAILED(ResolveDescribedType(library_->model(), reference, &location));
    return library_->TypeInfoOf(location.index, ViewKind::kAsStored, info);
  }
  return library_->ImportedTypeInfo(reference, info);
}

STDMETHODIMP TypeInfo::AddressOfMember(MEMBERID, INVOKEKIND, PVOID* address) {
  if (address != nullptr) *address = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TypeInfo::CreateInstance(IUnknown*, REFIID, PVOID* object) {
  if (object != nullptr) *object = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TypeInfo::GetMops(MEMBERID, BSTR* mops) {
  if (mops != nullptr) *mops = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP TypeInfo::GetContainingTypeLib(ITypeLib** library, UINT* index) {
  if (library != nullptr) {
    library_->AddRef();
    *library = library_;
  }
  if (index != nullptr) *index = static_cast<UINT>(index_);
  return S_OK;
}

STDMETHODIMP_(void) TypeInfo::ReleaseTypeAttr(TYPEATTR* attributes) { FreeDescription(attributes); }

STDMETHODIMP_(void) TypeInfo::ReleaseFuncDesc(FUNCDESC* function) { FreeDescription(function); }

STDMETHODIMP_(void) TypeInfo::ReleaseVarDesc(VARDESC* variable) { FreeDescription(variable); }

}  // namespace platform::typelib
