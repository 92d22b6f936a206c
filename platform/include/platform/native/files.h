// Files. A drive path such as C:\DIR\FILE.TXT resolves below the host
// directory configured for its drive letter (see drive_mapping.h); a
// relative path resolves against the current directory. Backslash and slash
// both separate path components, and components match without regard to
// letter case, as on Windows.
#pragma once

#include "platform/native/types.h"

#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)

typedef struct _OVERLAPPED* LPOVERLAPPED;

WINBASEAPI HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD share,
                                     LPSECURITY_ATTRIBUTES security,
                                     DWORD disposition, DWORD flags,
                                     HANDLE templateFile);
WINBASEAPI BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytes,
                                LPDWORD bytesRead, LPOVERLAPPED overlapped);
WINBASEAPI BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytes,
                                 LPDWORD bytesWritten,
                                 LPOVERLAPPED overlapped);
WINBASEAPI BOOL WINAPI CloseHandle(HANDLE handle);
WINBASEAPI BOOL WINAPI DeleteFileA(LPCSTR path);
WINBASEAPI BOOL WINAPI CreateDirectoryA(LPCSTR path,
                                        LPSECURITY_ATTRIBUTES security);
WINBASEAPI BOOL WINAPI RemoveDirectoryA(LPCSTR path);
