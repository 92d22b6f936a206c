// The Windows API as the component's logic sees it.
//
// On Windows this is the real SDK; everywhere else it is our own platform
// layer, which supplies the same names with the same effects. Logic includes
// this header and nothing platform-specific.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <objsafe.h>
#include <olectl.h>
#else
#include "platform/native/types.h"
#include "platform/native/errors.h"
#include "platform/native/memory.h"
#include "platform/native/code_page.h"
#include "platform/native/bstr.h"
#include "platform/native/registry.h"
#include "platform/native/files.h"
#include "platform/native/guid.h"
#include "platform/native/variant.h"
#include "platform/native/sync.h"
#include "platform/native/module.h"
#include "platform/native/com.h"
#endif

#include "platform/target.h"
