#include "platform/native/typelib/type_info_object.h"

#include <new>

#include "platform/native/typelib/descriptors.h"
#include "platform/native/typelib/dispatch_invocation.h"
#include "platform/native/typelib/member_names.h"
#include "platform/native/typelib/standard_interfaces.h"
#include "platform/raii.h"

namespace platform::typelib {
HRESULT TypeInfo::Create(TypeLibrary* library, size_t index, TypeView view, ITypeInfo** info) {
  *info = new (std::nothrow) TypeInfo(library, index, std::move(view));
  return *info == nullptr ? E_OUTOFMEMORY : S_OK;
}

TypeInfo::TypeInfo(TypeLibrary* library, size_t index, TypeView view)
    : library_(library), index_(index), view_(std::move(view)) {
  library_->AddRef();
}

TypeInfo::~TypeInfo() { library_->Release(); }

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

STDMETHODIMP_(ULONG) TypeInfo::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) TypeInfo::Release() {
  const ULONG remaining = --references_;
  if (remaining == 0) delete this;
  return remaining;
}

const ViewFunction* TypeInfo::FindMember(MEMBERID member) const {
  for (const ViewFunction& function : view_.functions) {
    if (function.shown.memid == member) return &function;
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
  return MemberNames(function->shown, names, maxNames, nameCount);
}

STDMETHODIMP TypeInfo::GetRefTypeOfImplType(UINT index, HREFTYPE* reference) {
  if (reference == nullptr) return E_INVALIDARG;
  if (index == static_cast<UINT>(-1)) {
    if (!view_.dual) return TYPE_E_ELEMENTNOTFOUND;
    *reference = kOtherDualHalf;
    return S_OK;
  }
  if (index >= view_.implTypes.size()) return TYPE_E_ELEMENTNOTFOUND;
  *reference = view_.implTypes[index].href;
  return S_OK;
}

STDMETHODIMP TypeInfo::GetImplTypeFlags(UINT index, INT* flags) {
  if (flags == nullptr) return E_INVALIDARG;
  if (index >= view_.implTypes.size()) return TYPE_E_ELEMENTNOTFOUND;
  *flags = view_.implTypes[index].flags;
  return S_OK;
}

STDMETHODIMP TypeInfo::GetIDsOfNames(LPOLESTR* names, UINT nameCount, MEMBERID* members) {
  if (names == nullptr || members == nullptr) return E_INVALIDARG;
  if (nameCount == 0) return S_OK;
  for (const ViewFunction& function : view_.functions) {
    if (SameName(function.shown.name, names[0])) {
      return MemberAndParameterIds(function.shown, names, nameCount, members);
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
          return MemberAndParameterIds(function, names, nameCount, members);
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
  return WriteDocumentation(function->shown.name, function->shown.docString,
                            function->shown.helpContext, library.helpFile, name, docString,
                            helpContext, helpFile);
}

STDMETHODIMP TypeInfo::GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) { return E_NOTIMPL; }

HRESULT TypeInfo::ImportedTypeInfo(HREFTYPE reference, ITypeInfo** info) {
  TypeLocation location;
  const HRESULT resolved = ResolveDescribedType(library_->model(), reference, &location);
  if (SUCCEEDED(resolved)) {
    korvel::com_ptr<ITypeLib> holder;
    RETURN_IF_FAILED(TypeLibrary::Create(location.library, holder.put()));
    return static_cast<TypeLibrary*>(holder.get())->NewTypeInfo(location.index, ViewKind::kAsStored, info);
  }
  if (resolved != TYPE_E_CANTLOADLIBRARY) return resolved;
  // A type of another library: that library as registered.
  const ImportModel* import = FindImport(*library_->model(), reference);
  korvel::com_ptr<ITypeLib> other;
  if (FAILED(LoadRegTypeLib(import->library, import->majorVersion, import->minorVersion,
                            import->lcid, other.put()))) {
    return TYPE_E_CANTLOADLIBRARY;
  }
  return import->byGuid ? other->GetTypeInfoOfGuid(import->type, info)
                        : other->GetTypeInfo(import->index, info);
}

STDMETHODIMP TypeInfo::GetRefTypeInfo(HREFTYPE reference, ITypeInfo** info) {
  if (info == nullptr) return E_INVALIDARG;
  *info = nullptr;
  if (reference == kOtherDualHalf) {
    if (!view_.dual) return TYPE_E_ELEMENTNOTFOUND;
    const ViewKind other =
        view_.kind == ViewKind::kInterfaceHalf ? ViewKind::kDispatchHalf : ViewKind::kInterfaceHalf;
    return library_->NewTypeInfo(index_, other, info);
  }
  if ((reference & 3) == 0) {
    TypeLocation location;
    RETURN_IF_FAILED(ResolveDescribedType(library_->model(), reference, &location));
    return library_->NewTypeInfo(location.index, ViewKind::kAsStored, info);
  }
  return ImportedTypeInfo(reference, info);
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
