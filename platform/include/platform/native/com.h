// COM interfaces with their binary layout: an object begins with a pointer
// to its table of operations, in the slot order below. (The C++ compilers
// we build with lay out a class of pure virtual functions, without a virtual
// destructor, exactly so.)
#pragma once

#include "platform/native/errors.h"
#include "platform/native/guid.h"
#include "platform/native/variant.h"

#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE
#define STDAPI extern "C" HRESULT STDAPICALLTYPE
#define STDAPI_(type) extern "C" type STDAPICALLTYPE
#define PURE = 0

// HRESULTs of the COM and automation runtimes.
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111L)
#define REGDB_E_READREGDB ((HRESULT)0x80040150L)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define REGDB_E_IIDNOTREG ((HRESULT)0x80040155L)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3L)
#define CO_E_DLLNOTFOUND ((HRESULT)0x800401F8L)
#define CO_E_ERRORINDLL ((HRESULT)0x800401F9L)
#define DISP_E_UNKNOWNINTERFACE ((HRESULT)0x80020001L)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003L)
#define DISP_E_PARAMNOTFOUND ((HRESULT)0x80020004L)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006L)
#define DISP_E_NONAMEDARGS ((HRESULT)0x80020007L)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008L)
#define DISP_E_EXCEPTION ((HRESULT)0x80020009L)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000AL)
#define DISP_E_BADINDEX ((HRESULT)0x8002000BL)
#define DISP_E_UNKNOWNLCID ((HRESULT)0x8002000CL)
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000DL)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000EL)
#define DISP_E_PARAMNOTOPTIONAL ((HRESULT)0x8002000FL)
#define TYPE_E_BUFFERTOOSMALL ((HRESULT)0x80028016L)
#define TYPE_E_FIELDNOTFOUND ((HRESULT)0x80028017L)
#define TYPE_E_INVDATAREAD ((HRESULT)0x80028018L)
#define TYPE_E_UNSUPFORMAT ((HRESULT)0x80028019L)
#define TYPE_E_REGISTRYACCESS ((HRESULT)0x8002801CL)
#define TYPE_E_LIBNOTREGISTERED ((HRESULT)0x8002801DL)
#define TYPE_E_UNDEFINEDTYPE ((HRESULT)0x80028027L)
#define TYPE_E_QUALIFIEDNAMEDISALLOWED ((HRESULT)0x80028028L)
#define TYPE_E_INVALIDSTATE ((HRESULT)0x80028029L)
#define TYPE_E_WRONGTYPEKIND ((HRESULT)0x8002802AL)
#define TYPE_E_ELEMENTNOTFOUND ((HRESULT)0x8002802BL)
#define TYPE_E_AMBIGUOUSNAME ((HRESULT)0x8002802CL)
#define TYPE_E_NAMECONFLICT ((HRESULT)0x8002802DL)
#define TYPE_E_UNKNOWNLCID ((HRESULT)0x8002802EL)
#define TYPE_E_DLLFUNCTIONNOTFOUND ((HRESULT)0x8002802FL)
#define TYPE_E_BADMODULEKIND ((HRESULT)0x800288BDL)
#define TYPE_E_SIZETOOBIG ((HRESULT)0x800288C5L)
#define TYPE_E_DUPLICATEID ((HRESULT)0x800288C6L)
#define TYPE_E_INVALIDID ((HRESULT)0x800288CFL)
#define TYPE_E_TYPEMISMATCH ((HRESULT)0x80028CA0L)
#define TYPE_E_OUTOFBOUNDS ((HRESULT)0x80028CA1L)
#define TYPE_E_IOERROR ((HRESULT)0x80028CA2L)
#define TYPE_E_CANTCREATETMPFILE ((HRESULT)0x80028CA3L)
#define TYPE_E_CANTLOADLIBRARY ((HRESULT)0x80029C4AL)
#define TYPE_E_INCONSISTENTPROPFUNCS ((HRESULT)0x80029C83L)
#define TYPE_E_CIRCULARTYPE ((HRESULT)0x80029C84L)

struct IUnknown {
  STDMETHOD(QueryInterface)(REFIID iid, void** object) PURE;
  STDMETHOD_(ULONG, AddRef)() PURE;
  STDMETHOD_(ULONG, Release)() PURE;
};
typedef IUnknown* LPUNKNOWN;

struct IClassFactory : IUnknown {
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, void** object) PURE;
  STDMETHOD(LockServer)(BOOL lock) PURE;
};

// --- Automation types -------------------------------------------------------

typedef LONG DISPID;
typedef DISPID MEMBERID;
typedef DWORD HREFTYPE;

#define DISPID_UNKNOWN (-1)
#define DISPID_VALUE 0
#define DISPID_PROPERTYPUT (-3)
#define MEMBERID_NIL DISPID_UNKNOWN

#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8

#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_NEUTRAL 0x0000

struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  PVOID pvReserved;
  HRESULT(STDMETHODCALLTYPE* pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};

enum TYPEKIND {
  TKIND_ENUM = 0,
  TKIND_RECORD,
  TKIND_MODULE,
  TKIND_INTERFACE,
  TKIND_DISPATCH,
  TKIND_COCLASS,
  TKIND_ALIAS,
  TKIND_UNION,
  TKIND_MAX
};

enum SYSKIND { SYS_WIN16 = 0, SYS_WIN32, SYS_MAC, SYS_WIN64 };

enum FUNCKIND {
  FUNC_VIRTUAL = 0,
  FUNC_PUREVIRTUAL,
  FUNC_NONVIRTUAL,
  FUNC_STATIC,
  FUNC_DISPATCH
};

enum INVOKEKIND {
  INVOKE_FUNC = 1,
  INVOKE_PROPERTYGET = 2,
  INVOKE_PROPERTYPUT = 4,
  INVOKE_PROPERTYPUTREF = 8
};

enum CALLCONV {
  CC_FASTCALL = 0,
  CC_CDECL = 1,
  CC_MSCPASCAL,
  CC_PASCAL = CC_MSCPASCAL,
  CC_MACPASCAL,
  CC_STDCALL,
  CC_FPFASTCALL,
  CC_SYSCALL,
  CC_MPWCDECL,
  CC_MPWPASCAL,
  CC_MAX
};

enum VARKIND { VAR_PERINSTANCE = 0, VAR_STATIC, VAR_CONST, VAR_DISPATCH };

enum DESCKIND {
  DESCKIND_NONE = 0,
  DESCKIND_FUNCDESC,
  DESCKIND_VARDESC,
  DESCKIND_TYPECOMP,
  DESCKIND_IMPLICITAPPOBJ,
  DESCKIND_MAX
};

#define TYPEFLAG_FAPPOBJECT 0x1
#define TYPEFLAG_FCANCREATE 0x2
#define TYPEFLAG_FLICENSED 0x4
#define TYPEFLAG_FPREDECLID 0x8
#define TYPEFLAG_FHIDDEN 0x10
#define TYPEFLAG_FCONTROL 0x20
#define TYPEFLAG_FDUAL 0x40
#define TYPEFLAG_FNONEXTENSIBLE 0x80
#define TYPEFLAG_FOLEAUTOMATION 0x100
#define TYPEFLAG_FRESTRICTED 0x200
#define TYPEFLAG_FAGGREGATABLE 0x400
#define TYPEFLAG_FREPLACEABLE 0x800
#define TYPEFLAG_FDISPATCHABLE 0x1000
#define TYPEFLAG_FREVERSEBIND 0x2000
#define TYPEFLAG_FPROXY 0x4000

#define IMPLTYPEFLAG_FDEFAULT 0x1
#define IMPLTYPEFLAG_FSOURCE 0x2
#define IMPLTYPEFLAG_FRESTRICTED 0x4
#define IMPLTYPEFLAG_FDEFAULTVTABLE 0x8

#define PARAMFLAG_NONE 0x00
#define PARAMFLAG_FIN 0x01
#define PARAMFLAG_FOUT 0x02
#define PARAMFLAG_FLCID 0x04
#define PARAMFLAG_FRETVAL 0x08
#define PARAMFLAG_FOPT 0x10
#define PARAMFLAG_FHASDEFAULT 0x20
#define PARAMFLAG_FHASCUSTDATA 0x40

#define LIBFLAG_FRESTRICTED 0x1
#define LIBFLAG_FCONTROL 0x2
#define LIBFLAG_FHIDDEN 0x4
#define LIBFLAG_FHASDISKIMAGE 0x8

struct TYPEDESC;
struct ARRAYDESC;
struct TYPEDESC {
  union {
    TYPEDESC* lptdesc;
    ARRAYDESC* lpadesc;
    HREFTYPE hreftype;
  };
  VARTYPE vt;
};

struct ARRAYDESC {
  TYPEDESC tdescElem;
  USHORT cDims;
  SAFEARRAYBOUND rgbounds[1];
};

struct PARAMDESCEX {
  ULONG cBytes;
  VARIANTARG varDefaultValue;
};

struct PARAMDESC {
  PARAMDESCEX* pparamdescex;
  USHORT wParamFlags;
};

struct IDLDESC {
  ULONG_PTR dwReserved;
  USHORT wIDLFlags;
};

struct ELEMDESC {
  TYPEDESC tdesc;
  union {
    IDLDESC idldesc;
    PARAMDESC paramdesc;
  };
};

struct TYPEATTR {
  GUID guid;
  LCID lcid;
  DWORD dwReserved;
  MEMBERID memidConstructor;
  MEMBERID memidDestructor;
  LPOLESTR lpstrSchema;
  ULONG cbSizeInstance;
  TYPEKIND typekind;
  WORD cFuncs;
  WORD cVars;
  WORD cImplTypes;
  WORD cbSizeVft;
  WORD cbAlignment;
  WORD wTypeFlags;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  TYPEDESC tdescAlias;
  IDLDESC idldescType;
};

struct FUNCDESC {
  MEMBERID memid;
  SCODE* lprgscode;
  ELEMDESC* lprgelemdescParam;
  FUNCKIND funckind;
  INVOKEKIND invkind;
  CALLCONV callconv;
  SHORT cParams;
  SHORT cParamsOpt;
  SHORT oVft;
  SHORT cScodes;
  ELEMDESC elemdescFunc;
  WORD wFuncFlags;
};

struct VARDESC {
  MEMBERID memid;
  LPOLESTR lpstrSchema;
  union {
    ULONG oInst;
    VARIANT* lpvarValue;
  };
  ELEMDESC elemdescVar;
  WORD wVarFlags;
  VARKIND varkind;
};

struct TLIBATTR {
  GUID guid;
  LCID lcid;
  SYSKIND syskind;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  WORD wLibFlags;
};

// --- Automation interfaces --------------------------------------------------

struct ITypeInfo;
struct ITypeLib;
struct ITypeComp;

struct IDispatch : IUnknown {
  STDMETHOD(GetTypeInfoCount)(UINT* count) PURE;
  STDMETHOD(GetTypeInfo)(UINT index, LCID locale, ITypeInfo** typeInfo) PURE;
  STDMETHOD(GetIDsOfNames)(REFIID iid, LPOLESTR* names, UINT nameCount,
                           LCID locale, DISPID* dispids) PURE;
  STDMETHOD(Invoke)(DISPID member, REFIID iid, LCID locale, WORD flags,
                    DISPPARAMS* params, VARIANT* result,
                    EXCEPINFO* exception, UINT* argumentError) PURE;
};

struct ITypeComp : IUnknown {
  // The layer answers no ITypeComp; declared for slot fidelity only.
};

struct ITypeInfo : IUnknown {
  STDMETHOD(GetTypeAttr)(TYPEATTR** attributes) PURE;
  STDMETHOD(GetTypeComp)(ITypeComp** typeComp) PURE;
  STDMETHOD(GetFuncDesc)(UINT index, FUNCDESC** function) PURE;
  STDMETHOD(GetVarDesc)(UINT index, VARDESC** variable) PURE;
  STDMETHOD(GetNames)(MEMBERID member, BSTR* names, UINT maxNames,
                      UINT* nameCount) PURE;
  STDMETHOD(GetRefTypeOfImplType)(UINT index, HREFTYPE* reference) PURE;
  STDMETHOD(GetImplTypeFlags)(UINT index, INT* flags) PURE;
  STDMETHOD(GetIDsOfNames)(LPOLESTR* names, UINT nameCount,
                           MEMBERID* members) PURE;
  STDMETHOD(Invoke)(PVOID instance, MEMBERID member, WORD flags,
                    DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                    UINT* argumentError) PURE;
  STDMETHOD(GetDocumentation)(MEMBERID member, BSTR* name, BSTR* docString,
                              DWORD* helpContext, BSTR* helpFile) PURE;
  STDMETHOD(GetDllEntry)(MEMBERID member, INVOKEKIND kind, BSTR* dll,
                         BSTR* name, WORD* ordinal) PURE;
  STDMETHOD(GetRefTypeInfo)(HREFTYPE reference, ITypeInfo** typeInfo) PURE;
  STDMETHOD(AddressOfMember)(MEMBERID member, INVOKEKIND kind,
                             PVOID* address) PURE;
  STDMETHOD(CreateInstance)(IUnknown* outer, REFIID iid, PVOID* object) PURE;
  STDMETHOD(GetMops)(MEMBERID member, BSTR* mops) PURE;
  STDMETHOD(GetContainingTypeLib)(ITypeLib** typeLib, UINT* index) PURE;
  STDMETHOD_(void, ReleaseTypeAttr)(TYPEATTR* attributes) PURE;
  STDMETHOD_(void, ReleaseFuncDesc)(FUNCDESC* function) PURE;
  STDMETHOD_(void, ReleaseVarDesc)(VARDESC* variable) PURE;
};

struct ITypeLib : IUnknown {
  STDMETHOD_(UINT, GetTypeInfoCount)() PURE;
  STDMETHOD(GetTypeInfo)(UINT index, ITypeInfo** typeInfo) PURE;
  STDMETHOD(GetTypeInfoType)(UINT index, TYPEKIND* kind) PURE;
  STDMETHOD(GetTypeInfoOfGuid)(REFGUID guid, ITypeInfo** typeInfo) PURE;
  STDMETHOD(GetLibAttr)(TLIBATTR** attributes) PURE;
  STDMETHOD(GetTypeComp)(ITypeComp** typeComp) PURE;
  STDMETHOD(GetDocumentation)(INT index, BSTR* name, BSTR* docString,
                              DWORD* helpContext, BSTR* helpFile) PURE;
  STDMETHOD(IsName)(LPOLESTR name, ULONG hash, BOOL* found) PURE;
  STDMETHOD(FindName)(LPOLESTR name, ULONG hash, ITypeInfo** typeInfos,
                      MEMBERID* members, USHORT* found) PURE;
  STDMETHOD_(void, ReleaseTLibAttr)(TLIBATTR* attributes) PURE;
};

// --- Safety for scripting -----------------------------------------------

#define INTERFACESAFE_FOR_UNTRUSTED_CALLER 0x00000001
#define INTERFACESAFE_FOR_UNTRUSTED_DATA 0x00000002

struct IObjectSafety : IUnknown {
  STDMETHOD(GetInterfaceSafetyOptions)(REFIID iid, DWORD* supported,
                                       DWORD* enabled) PURE;
  STDMETHOD(SetInterfaceSafetyOptions)(REFIID iid, DWORD mask,
                                       DWORD options) PURE;
};

// --- Type libraries -------------------------------------------------------

WINOLEAUTAPI LoadTypeLib(LPCOLESTR path, ITypeLib** typeLib);
WINOLEAUTAPI LoadRegTypeLib(REFGUID libid, WORD major, WORD minor,
                            LCID locale, ITypeLib** typeLib);
WINOLEAUTAPI RegisterTypeLib(ITypeLib* typeLib, LPCOLESTR path,
                             LPCOLESTR helpDirectory);
WINOLEAUTAPI UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor,
                               LCID locale, SYSKIND syskind);

// --- What an in-process server module exports -----------------------------

// A module built with korvel_add_module() hides everything but these.
#define KORVEL_MODULE_EXPORT __attribute__((visibility("default")))

extern "C" KORVEL_MODULE_EXPORT HRESULT STDAPICALLTYPE
DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object);
extern "C" KORVEL_MODULE_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow(void);
extern "C" KORVEL_MODULE_EXPORT HRESULT STDAPICALLTYPE DllRegisterServer(void);
extern "C" KORVEL_MODULE_EXPORT HRESULT STDAPICALLTYPE
DllUnregisterServer(void);

// --- The COM runtime, for in-process servers --------------------------------

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_SERVER \
  (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

extern "C" KORVEL_PLATFORM_API HRESULT WINAPI CoInitialize(LPVOID reserved);
extern "C" KORVEL_PLATFORM_API void WINAPI CoUninitialize(void);
extern "C" KORVEL_PLATFORM_API HRESULT WINAPI CLSIDFromProgID(LPCOLESTR progId,
                                                              LPCLSID clsid);
extern "C" KORVEL_PLATFORM_API HRESULT WINAPI CoCreateInstance(
    REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, LPVOID* object);
extern "C" KORVEL_PLATFORM_API HRESULT WINAPI CoGetClassObject(
    REFCLSID clsid, DWORD context, LPVOID reserved, REFIID iid, LPVOID* object);
extern "C" KORVEL_PLATFORM_API void WINAPI CoFreeUnusedLibraries(void);
