// ITypeInfo over one view of a type of a library read into memory. The
// library makes each such object once and owns it: the object's
// references count towards the library's, which frees it.
#pragma once

#include <atomic>
#include <memory>

#include "platform/native/typelib/type_library_object.h"
#include "platform/native/typelib/type_views.h"

namespace platform::typelib {

class TypeInfo final : public ITypeInfo {
 public:
  // Made without references; while it has some, it holds one on `library`.
  TypeInfo(TypeLibrary* library, size_t index, TypeView view);
  ~TypeInfo() = default;
  TypeInfo(const TypeInfo&) = delete;
  TypeInfo& operator=(const TypeInfo&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeAttr(TYPEATTR** attributes) override;
  STDMETHODIMP GetTypeComp(ITypeComp** typeComp) override;
  STDMETHODIMP GetFuncDesc(UINT index, FUNCDESC** function) override;
  STDMETHODIMP GetVarDesc(UINT index, VARDESC** variable) override;
  STDMETHODIMP GetNames(MEMBERID member, BSTR* names, UINT maxNames, UINT* nameCount) override;
  STDMETHODIMP GetRefTypeOfImplType(UINT index, HREFTYPE* reference) override;
  STDMETHODIMP GetImplTypeFlags(UINT index, INT* flags) override;
  STDMETHODIMP GetIDsOfNames(LPOLESTR* names, UINT nameCount, MEMBERID* members) override;
  STDMETHODIMP Invoke(PVOID instance, MEMBERID member, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;
  STDMETHODIMP GetDocumentation(MEMBERID member, BSTR* name, BSTR* docString, DWORD* helpContext,
                                BSTR* helpFile) override;
  STDMETHODIMP GetDllEntry(MEMBERID member, INVOKEKIND kind, BSTR* dll, BSTR* name,
                           WORD* ordinal) override;
  STDMETHODIMP GetRefTypeInfo(HREFTYPE reference, ITypeInfo** info) override;
  STDMETHODIMP AddressOfMember(MEMBERID member, INVOKEKIND kind, PVOID* address) override;
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, PVOID* object) override;
  STDMETHODIMP GetMops(MEMBERID member, BSTR* mops) override;
  STDMETHODIMP GetContainingTypeLib(ITypeLib** library, UINT* index) override;
  STDMETHODIMP_(void) ReleaseTypeAttr(TYPEATTR* attributes) override;
  STDMETHODIMP_(void) ReleaseFuncDesc(FUNCDESC* function) override;
  STDMETHODIMP_(void) ReleaseVarDesc(VARDESC* variable) override;

 private:
  const TypeModel& type() const { return library_->model()->types[index_]; }
  // The first member with `member` as its DISPID, or null.
  const ViewFunction* FindMember(MEMBERID member) const;

  std::atomic<ULONG> references_{0};
  TypeLibrary* library_;
  size_t index_;
  TypeView view_;
};

}  // namespace platform::typelib
