// Automation strings: UTF-16 with a 32-bit byte-length prefix in front of
// the first character and a terminating null after the last.
#pragma once

#include "platform/native/types.h"

WINOLEAUTAPI_(BSTR) SysAllocString(const OLECHAR* text);
WINOLEAUTAPI_(BSTR) SysAllocStringLen(const OLECHAR* text, UINT chars);
WINOLEAUTAPI_(BSTR) SysAllocStringByteLen(LPCSTR bytes, UINT count);
WINOLEAUTAPI_(void) SysFreeString(BSTR text);
WINOLEAUTAPI_(UINT) SysStringLen(BSTR text);
WINOLEAUTAPI_(UINT) SysStringByteLen(BSTR text);
