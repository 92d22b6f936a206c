// Conversion between narrow text in the ANSI code page and UTF-16. The
// layer's ANSI code page is Windows-1252.
#pragma once

#include "platform/native/types.h"

#define CP_ACP 0
#define CP_1252 1252

WINBASEAPI UINT WINAPI GetACP(void);
WINBASEAPI int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags,
                                          LPCSTR text, int textBytes,
                                          LPWSTR out, int outChars);
WINBASEAPI int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags,
                                          LPCWSTR text, int textChars,
                                          LPSTR out, int outBytes,
                                          LPCSTR defaultChar,
                                          BOOL* usedDefaultChar);
WINBASEAPI int WINAPI lstrlenW(LPCWSTR text);
WINBASEAPI int WINAPI lstrlenA(LPCSTR text);
