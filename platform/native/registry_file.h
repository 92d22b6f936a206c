// The registry kept in a file, in the text form of registry exports:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CLASSES_ROOT\Key\Subkey]
//   @="default value"
//   "name"="text with \\ and \" escaped"
//   "count"=dword:0000002a
//   "bytes"=hex:01,02,ff
//   "expandable"=hex(2):25,00
//
// Strings that are not one NUL-terminated text without other NULs are
// written as hex(1); every other type but REG_BINARY and a four-byte
// REG_DWORD as hex(type). Lines end in CR LF; a long hex list may be
// continued with a backslash at the end of a line.
#pragma once

#include <memory>
#include <string>

#include "registry_names.h"
#include "registry_store.h"

namespace platform::registry_file {

using Roots = std::shared_ptr<registry::Key>[registry_names::kRootCount];

// The text of the whole tree below `roots`. False when a key name cannot
// be written in this form (it holds a line break).
bool Format(const Roots& roots, std::string* text);

// Fills the empty `roots` from `text`. False with a description of the
// first fault when the text is not in this form.
bool Parse(const std::string& text, Roots& roots, std::string* problem);

// Writes `text` to `path` through a temporary file and a rename, so that
// the file holds either the old or the new tree. False on failure.
bool WriteAtomically(const std::string& path, const std::string& text);

}  // namespace platform::registry_file
