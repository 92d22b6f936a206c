// The registry: five root keys over an in-memory tree. Key and value names
// match without regard to letter case.
#pragma once

#include "platform/native/types.h"

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define HKEY_PERFORMANCE_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000004))
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)((LONG)0x80000005))
#define HKEY_DYN_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000006))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define SYNCHRONIZE 0x00100000L
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_ALL 0x001F0000L
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ                                                 \
  ((STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | \
    KEY_NOTIFY) & (~SYNCHRONIZE))
#define KEY_WRITE \
  ((STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) & (~SYNCHRONIZE))
#define KEY_ALL_ACCESS                                                     \
  ((STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE |                \
    KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY |             \
    KEY_CREATE_LINK) & (~SYNCHRONIZE))

#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

typedef struct _FILETIME* PFILETIME;

WINBASEAPI LONG WINAPI RegOpenKeyExA(HKEY parent, LPCSTR subKey, DWORD options,
                                     REGSAM access, PHKEY result);
WINBASEAPI LONG WINAPI RegCreateKeyExA(HKEY parent, LPCSTR subKey,
                                       DWORD reserved, LPSTR keyClass,
                                       DWORD options, REGSAM access,
                                       LPSECURITY_ATTRIBUTES security,
                                       PHKEY result, LPDWORD disposition);
WINBASEAPI LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName,
                                        LPDWORD reserved, LPDWORD type,
                                        LPBYTE data, LPDWORD dataBytes);
WINBASEAPI LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName,
                                      DWORD reserved, DWORD type,
                                      const BYTE* data, DWORD dataBytes);
WINBASEAPI LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName);
WINBASEAPI LONG WINAPI RegDeleteKeyA(HKEY parent, LPCSTR subKey);
WINBASEAPI LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name,
                                     LPDWORD nameChars, LPDWORD reserved,
                                     LPSTR keyClass, LPDWORD classChars,
                                     PFILETIME lastWrite);
WINBASEAPI LONG WINAPI RegQueryInfoKeyA(
    HKEY key, LPSTR keyClass, LPDWORD classChars, LPDWORD reserved,
    LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD maxClassLen,
    LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
    LPDWORD securityDescriptorBytes, PFILETIME lastWrite);
WINBASEAPI LONG WINAPI RegCloseKey(HKEY key);
