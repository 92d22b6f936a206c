#include "registry_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

#include "platform/native/registry.h"

namespace platform::registry_file {
namespace {

using registry::Key;
using registry::Value;

const char kHeader[] = "Windows Registry Editor Version 5.00";
// As deep as the registry lets keys nest; the tree is walked recursively.
constexpr size_t kMaxKeyDepth = 512;
const char* const kRootNames[registry_names::kRootCount] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",     "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

// --- Writing ---------------------------------------------------------------

void AppendQuoted(const std::string& text, std::string* out) {
  out->push_back('"');
  for (char c : text) {
    if (c == '\\' || c == '"') out->push_back('\\');
    out->push_back(c);
  }
  out->push_back('"');
}

bool IsPlainString(const Value& value) {
  if (value.type != REG_SZ || value.data.empty() || value.data.back() != 0) return false;
  return std::memchr(value.data.data(), 0, value.data.size() - 1) == nullptr;
}

void AppendValue(const Value& value, std::string* out) {
  if (value.name.empty())
    out->push_back('@');
  else
    AppendQuoted(value.name, out);
  out->push_back('=');
  char number[16];
  if (IsPlainString(value)) {
    AppendQuoted(std::string(value.data.begin(), value.data.end() - 1), out);
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    const uint32_t dword = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                           static_cast<uint32_t>(value.data[3]) << 24;
    std::snprintf(number, sizeof number, "dword:%08x", dword);
    *out += number;
  } else {
    if (value.type == REG_BINARY) {
      *out += "hex:";
    } else {
      std::snprintf(number, sizeof number, "hex(%x):", value.type);
      *out += number;
    }
    for (size_t i = 0; i < value.data.size(); ++i) {
      std::snprintf(number, sizeof number, i ? ",%02x" : "%02x", value.data[i]);
      *out += number;
    }
  }
  *out += "\r\n";
}

bool AppendKey(const Key& key, const std::string& path, bool always, std::string* out) {
  if (always || !key.values.empty()) {
    if (path.find_first_of("\r\n") != std::string::npos) return false;
    *out += "[" + path + "]\r\n";
    for (const Value& value : key.values) AppendValue(value, out);
    *out += "\r\n";
  }
  for (const auto& entry : key.subkeys)
    if (!AppendKey(*entry.second, path + "\\" + entry.second->name, true, out)) return false;
  return true;
}

// --- Reading ---------------------------------------------------------------

class Parser {
 public:
  Parser(const std::string& text, Roots& roots) : text_(text), roots_(roots) {}

  bool Run(std::string* problem) {
    if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) at_ = 3;
    SkipBlankLines();
    if (Line() != kHeader) return Fail("the header is missing", problem);
    NextLine();
    Key* key = nullptr;
    for (SkipBlankLines(); at_ < text_.size(); SkipBlankLines()) {
      const char first = text_[at_];
      if (first == ';') {
        NextLine();
      } else if (first == '[') {
        key = Section();
        if (key == nullptr) return Fail("a key line is not understood", problem);
      } else if (first == '@' || first == '"') {
        if (key == nullptr || !ValueLine(key)) return Fail("a value line is not understood", problem);
      } else {
        return Fail("a line is not understood", problem);
      }
    }
    return true;
  }

 private:
  bool Fail(const char* what, std::string* problem) {
    size_t line = 1;
    for (size_t i = 0; i < at_ && i < text_.size(); ++i) line += text_[i] == '\n';
    *problem = std::string(what) + " (line " + std::to_string(line) + ")";
    return false;
  }

  // The rest of the current line without its CR LF.
  std::string Line() const {
    size_t end = text_.find('\n', at_);
    if (end == std::string::npos) end = text_.size();
    size_t stop = end;
    if (stop > at_ && text_[stop - 1] == '\r') --stop;
    return text_.substr(at_, stop - at_);
  }

  void NextLine() {
    const size_t end = text_.find('\n', at_);
    at_ = end == std::string::npos ? text_.size() : end + 1;
  }

  void SkipBlankLines() {
    while (at_ < text_.size()) {
      const std::string line = Line();
      if (line.find_first_not_of(" \t") != std::string::npos) return;
      NextLine();
    }
  }

  bool AtEndOfLine() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
    if (at_ < text_.size() && text_[at_] == '\r') ++at_;
    if (at_ == text_.size()) return true;
    if (text_[at_] != '\n') return false;
    ++at_;
    return true;
  }

  // "[root\path]": the key, created with the keys above it.
  Key* Section() {
    const std::string line = Line();
    const size_t close = line.rfind(']');
    NextLine();
    if (close == std::string::npos || line.find_first_not_of(" \t", close + 1) != std::string::npos)
      return nullptr;
    const std::string path = line.substr(1, close - 1);
    const size_t split = path.find('\\');
    const std::string rootName = path.substr(0, split);
    Key* key = nullptr;
    for (int i = 0; i < registry_names::kRootCount; ++i)
      if (registry_names::Upper(rootName) == kRootNames[i]) key = roots_[i].get();
    if (key == nullptr) return nullptr;
    if (split == std::string::npos) return key;
    size_t start = split + 1;
    for (size_t depth = 1;; ++depth) {
      const size_t end = path.find('\\', start);
      const std::string name = path.substr(start, end == std::string::npos ? end : end - start);
      if (name.empty() || name.size() > 255 || depth > kMaxKeyDepth) return nullptr;
      key = Child(key, name);
      if (end == std::string::npos) return key;
      start = end + 1;
    }
  }

  static Key* Child(Key* parent, const std::string& name) {
    const std::string upper = registry_names::Upper(name);
    auto found = parent->subkeys.find(upper);
    if (found != parent->subkeys.end()) return found->second.get();
    auto child = std::make_shared<Key>();
    child->name = name;
    child->upperPath = parent->upperPath.empty() ? upper : parent->upperPath + "\\" + upper;
    child->rootIndex = parent->rootIndex;
    child->parent = parent;
    parent->subkeys.emplace(upper, child);
    return child.get();
  }

  bool Quoted(std::string* out) {
    if (at_ >= text_.size() || text_[at_] != '"') return false;
    for (++at_; at_ < text_.size(); ++at_) {
      char c = text_[at_];
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c == '\\') {
        if (++at_ == text_.size()) return false;
        c = text_[at_];
        if (c != '\\' && c != '"') return false;
      }
      out->push_back(c);
    }
    return false;
  }

  bool Accept(const char* word) {
    const size_t length = std::strlen(word);
    if (text_.compare(at_, length, word) != 0) return false;
    at_ += length;
    return true;
  }

  static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // Up to `most` hex digits (at least one) as a number.
  bool HexNumber(size_t most, uint64_t* number) {
    size_t digits = 0;
    *number = 0;
    while (at_ < text_.size() && digits < most && HexDigit(text_[at_]) >= 0) {
      *number = *number << 4 | static_cast<uint64_t>(HexDigit(text_[at_++]));
      ++digits;
    }
    return digits > 0;
  }

  void SkipContinuations() {
    for (;;) {
      while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
      if (at_ < text_.size() && text_[at_] == '\\') {
        const size_t saved = at_++;
        if (at_ < text_.size() && text_[at_] == '\r') ++at_;
        if (at_ < text_.size() && text_[at_] == '\n') {
          ++at_;
          continue;
        }
        at_ = saved;
      }
      return;
    }
  }

  bool HexBytes(std::vector<BYTE>* data) {
    SkipContinuations();
    if (at_ == text_.size() || text_[at_] == '\r' || text_[at_] == '\n') return true;  // empty
    for (;;) {
      uint64_t byte = 0;
      if (!HexNumber(2, &byte)) return false;
      data->push_back(static_cast<BYTE>(byte));
      SkipContinuations();
      if (at_ < text_.size() && text_[at_] == ',') {
        ++at_;
        SkipContinuations();
        continue;
      }
      return true;
    }
  }

  bool ValueLine(Key* key) {
    Value value;
    if (text_[at_] == '@')
      ++at_;
    else if (!Quoted(&value.name) || value.name.empty())
      return false;
    if (!Accept("=")) return false;
    uint64_t number = 0;
    if (at_ < text_.size() && text_[at_] == '"') {
      std::string text;
      if (!Quoted(&text)) return false;
      value.type = REG_SZ;
      value.data.assign(text.begin(), text.end());
      value.data.push_back(0);
    } else if (Accept("dword:")) {
      const size_t start = at_;
      if (!HexNumber(8, &number) || at_ - start != 8) return false;
      value.type = REG_DWORD;
      for (int i = 0; i < 4; ++i) value.data.push_back(static_cast<BYTE>(number >> (8 * i)));
    } else if (Accept("hex:")) {
      value.type = REG_BINARY;
      if (!HexBytes(&value.data)) return false;
    } else if (Accept("hex(")) {
      if (!HexNumber(8, &number) || !Accept("):")) return false;
      value.type = static_cast<DWORD>(number);
      if (!HexBytes(&value.data)) return false;
    } else {
      return false;
    }
    if (!AtEndOfLine() || !valueNames_.emplace(key, registry_names::Upper(value.name)).second)
      return false;
    key->values.push_back(std::move(value));
    return true;
  }

  const std::string& text_;
  Roots& roots_;
  size_t at_ = 0;
  // The upper-case names of the values read so far, with their keys: a name
  // met twice in one key is a fault. Looking in the key's own list instead
  // would make a key of many values cost the square of their number.
  std::set<std::pair<const Key*, std::string>> valueNames_;
};

}  // namespace

bool Format(const Roots& roots, std::string* text) {
  *text = std::string(kHeader) + "\r\n\r\n";
  for (int i = 0; i < registry_names::kRootCount; ++i)
    if (!AppendKey(*roots[i], kRootNames[i], false, text)) return false;
  return true;
}

bool Parse(const std::string& text, Roots& roots, std::string* problem) {
  return Parser(text, roots).Run(problem);
}

bool WriteAtomically(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp." + std::to_string(getpid());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t now = write(fd, text.data() + written, text.size() - written);
    if (now <= 0) break;
    written += static_cast<size_t>(now);
  }
  const bool complete = written == text.size() && fsync(fd) == 0;
  if (close(fd) != 0 || !complete || std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace platform::registry_file
