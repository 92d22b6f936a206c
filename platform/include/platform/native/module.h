// Modules: loading a shared object as Windows loads a DLL, the entry point
// contract, and a module's resources.
//
// A module built with korvel_add_module() gets the DllMain protocol: the
// layer calls its DllMain with DLL_PROCESS_ATTACH and the module handle when
// the shared object loads, and with DLL_PROCESS_DETACH when it unloads.
// Resources are appended to the module file by the build and found by
// reading that file (see module_resources in the layer).
#pragma once

#include "platform/native/types.h"

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1
#define DLL_THREAD_ATTACH 2
#define DLL_THREAD_DETACH 3

#define LOAD_LIBRARY_AS_DATAFILE 0x00000002

typedef LONG_PTR(WINAPI* FARPROC)();

#define MAKEINTRESOURCEA(id) ((LPSTR)((ULONG_PTR)((WORD)(id))))
#define IS_INTRESOURCE(value) ((((ULONG_PTR)(value)) >> 16) == 0)

// The bare name of a system DLL whose functions this layer provides
// ("kernel32", "advapi32", "ole32", "oleaut32", with or without ".dll", in
// any letter case) loads the layer itself: GetProcAddress then finds those
// functions, "UnRegisterTypeLib" of "oleaut32.dll" for instance.
WINBASEAPI HMODULE WINAPI LoadLibraryA(LPCSTR path);
WINBASEAPI HMODULE WINAPI LoadLibraryExA(LPCSTR path, HANDLE file,
                                         DWORD flags);
WINBASEAPI BOOL WINAPI FreeLibrary(HMODULE module);
WINBASEAPI FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name);
WINBASEAPI DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR path,
                                           DWORD pathChars);
WINBASEAPI BOOL WINAPI DisableThreadLibraryCalls(HMODULE module);

WINBASEAPI HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name,
                                      LPCSTR type);
WINBASEAPI HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
WINBASEAPI LPVOID WINAPI LockResource(HGLOBAL loaded);
WINBASEAPI DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);
