#include "registration/script_reader.h"

namespace korvel {
namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

}  // namespace

HRESULT ScriptReader::Peek(ScriptToken* token) {
  const size_t saved = position_;
  const HRESULT hr = Next(token);
  position_ = saved;
  return hr;
}

HRESULT ScriptReader::Next(ScriptToken* token) {
  *token = ScriptToken();
  while (position_ < length_ && IsSeparator(text_[position_])) ++position_;
  if (position_ == length_) return S_FALSE;
  if (text_[position_] != '\'') {
    const size_t start = position_;
    while (position_ < length_ && !IsSeparator(text_[position_])) ++position_;
    token->start = text_ + start;
    token->length = position_ - start;
    return S_OK;
  }
  const size_t start = ++position_;
  for (;;) {
    if (position_ == length_) return DISP_E_EXCEPTION;  // never closed
    if (text_[position_] != '\'') {
      ++position_;
      continue;
    }
    if (position_ + 1 < length_ && text_[position_ + 1] == '\'') {
      position_ += 2;  // a doubled quote inside the token
      continue;
    }
    break;
  }
  token->start = text_ + start;
  token->length = position_ - start;
  token->quoted = true;
  ++position_;  // the closing quote
  if (position_ < length_ && !IsSeparator(text_[position_])) return DISP_E_EXCEPTION;
  return S_OK;
}

bool IsWord(const ScriptToken& token, const char* word) {
  if (token.quoted) return false;
  size_t i = 0;
  for (; word[i] != 0; ++i)
    if (i == token.length || AsciiUpper(token.start[i]) != AsciiUpper(word[i])) return false;
  return i == token.length;
}

bool CopyTokenText(const ScriptToken& token, char* out, size_t outBytes) {
  size_t written = 0;
  for (size_t i = 0; i < token.length; ++i) {
    if (written + 1 >= outBytes) return false;
    out[written++] = token.start[i];
    if (token.quoted && token.start[i] == '\'') ++i;  // skip the doubling quote
  }
  if (written >= outBytes) return false;
  out[written] = 0;
  return true;
}

}  // namespace korvel
