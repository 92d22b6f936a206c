// Basic Windows data types with their Windows sizes: LONG and ULONG are 32
// bits even where the C long is 64, WCHAR is a 16-bit code unit, and the
// handle and pointer-carrying types are pointer-sized.
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI
#define STDMETHODCALLTYPE
#define STDAPICALLTYPE
#define CALLBACK

#ifdef KORVEL_PLATFORM_BUILD
#define KORVEL_PLATFORM_API __attribute__((visibility("default")))
#else
#define KORVEL_PLATFORM_API
#endif

#define WINBASEAPI extern "C" KORVEL_PLATFORM_API
#define WINOLEAUTAPI extern "C" KORVEL_PLATFORM_API HRESULT
#define WINOLEAUTAPI_(type) extern "C" KORVEL_PLATFORM_API type

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int32_t INT;
typedef uint32_t UINT;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef int32_t BOOL;
typedef char CHAR;
typedef char16_t WCHAR;
typedef WCHAR OLECHAR;
typedef float FLOAT;
typedef double DOUBLE;

typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef size_t SIZE_T;

typedef void* PVOID;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef LONG* LPLONG;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef OLECHAR* BSTR;

typedef LONG HRESULT;
typedef LONG SCODE;
typedef DWORD LCID;

typedef void* HANDLE;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HRSRC__* HRSRC;
typedef HANDLE HGLOBAL;
typedef DWORD REGSAM;
typedef struct _SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define OLESTR(text) u##text
#define MAX_PATH 260
