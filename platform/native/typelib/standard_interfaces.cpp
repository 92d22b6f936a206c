#include "platform/native/typelib/standard_interfaces.h"

#include <mutex>

namespace platform::typelib {

const GUID kStandardLibraryId = {0x00020430, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

const GUID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const GUID kIDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr WORD kRestricted = 0x1;           // FUNCFLAG_FRESTRICTED
constexpr WORD kRestrictedType = 0x200;     // TYPEFLAG_FRESTRICTED
// The records (GUID, DISPPARAMS, EXCEPINFO) that the members refer to are
// not described here; their references lead nowhere.
constexpr HREFTYPE kUndescribedRecord = 0xFFFFFFFC;

TypeDescModel Plain(VARTYPE vt) {
  TypeDescModel type;
  type.vt = vt;
  return type;
}

TypeDescModel PointerTo(TypeDescModel pointee) {
  TypeDescModel type;
  type.vt = VT_PTR;
  type.inner.push_back(std::move(pointee));
  return type;
}

TypeDescModel Record() {
  TypeDescModel type;
  type.vt = VT_USERDEFINED;
  type.href = kUndescribedRecord;
  return type;
}

ParamModel In(const char16_t* name, TypeDescModel type) {
  return ParamModel{std::u16string(name), std::move(type), PARAMFLAG_FIN};
}
ParamModel Out(const char16_t* name, TypeDescModel type) {
  return ParamModel{std::u16string(name), std::move(type), PARAMFLAG_FOUT};
}

FunctionModel Method(MEMBERID memid, const char16_t* name, int slot, VARTYPE result,
                     std::vector<ParamModel> params) {
  FunctionModel function;
  function.memid = memid;
  function.name = std::u16string(name);
  function.funckind = FUNC_PUREVIRTUAL;
  function.invkind = INVOKE_FUNC;
  function.callconv = CC_STDCALL;
  function.flags = kRestricted;
  function.slot = slot;
  function.result = Plain(result);
  function.params = std::move(params);
  return function;
}

TypeModel Interface(const GUID& guid, const char16_t* name, WORD slots) {
  TypeModel type;
  type.kind = TKIND_INTERFACE;
  type.guid = guid;
  type.flags = kRestrictedType;
  type.name = std::u16string(name);
  type.alignment = 4;
  type.instanceSize = 4;
  type.vtableSlots = slots;
  return type;
}

LibraryModel MakeStandardLibrary() {
  LibraryModel library;
  library.libid = kStandardLibraryId;
  library.syskind = SYS_WIN32;
  library.majorVersion = 2;
  library.minorVersion = 0;
  library.name = std::u16string(u"stdole");
  library.docString = std::u16string(u"OLE Automation");

  TypeModel unknown = Interface(kIUnknown, u"IUnknown", 3);
  unknown.functions = {
      Method(0x60000000, u"QueryInterface", 0, VT_HRESULT,
             {In(u"riid", PointerTo(Record())), Out(u"ppvObj", PointerTo(PointerTo(Plain(VT_VOID))))}),
      Method(0x60000001, u"AddRef", 1, VT_UI4, {}),
      Method(0x60000002, u"Release", 2, VT_UI4, {}),
  };

  TypeModel dispatch = Interface(kIDispatch, u"IDispatch", 7);
  dispatch.implTypes.push_back({HrefOfType(0), 0});
  dispatch.functions = {
      Method(0x60010000, u"GetTypeInfoCount", 3, VT_HRESULT, {Out(u"pctinfo", PointerTo(Plain(VT_UINT)))}),
      Method(0x60010001, u"GetTypeInfo", 4, VT_HRESULT,
             {In(u"itinfo", Plain(VT_UINT)), In(u"lcid", Plain(VT_UI4)),
              Out(u"pptinfo", PointerTo(PointerTo(Plain(VT_VOID))))}),
      Method(0x60010002, u"GetIDsOfNames", 5, VT_HRESULT,
             {In(u"riid", PointerTo(Record())), In(u"rgszNames", PointerTo(PointerTo(Plain(VT_I1)))),
              In(u"cNames", Plain(VT_UINT)), In(u"lcid", Plain(VT_UI4)),
              Out(u"rgdispid", PointerTo(Plain(VT_I4)))}),
      Method(0x60010003, u"Invoke", 6, VT_HRESULT,
             {In(u"dispidMember", Plain(VT_I4)), In(u"riid", PointerTo(Record())),
              In(u"lcid", Plain(VT_UI4)), In(u"wFlags", Plain(VT_UI2)),
              In(u"pdispparams", PointerTo(Record())), Out(u"pvarResult", PointerTo(Plain(VT_VARIANT))),
              Out(u"pexcepinfo", PointerTo(Record())), Out(u"puArgErr", PointerTo(Plain(VT_UINT)))}),
  };
  library.types.push_back(std::move(unknown));
  library.types.push_back(std::move(dispatch));
  IndexTypesByGuid(&library);
  return library;
}

}  // namespace

std::shared_ptr<const LibraryModel> StandardLibrary() {
  static std::once_flag once;
  static std::shared_ptr<const LibraryModel>* library = nullptr;
  std::call_once(once, [] {
    library = new std::shared_ptr<const LibraryModel>(std::make_shared<LibraryModel>(MakeStandardLibrary()));
  });
  return *library;
}

}  // namespace platform::typelib
