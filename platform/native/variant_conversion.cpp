// VariantChangeType for the conversions argument passing needs: between the
// integer types, the floating-point types, booleans and strings, with
// by-reference sources read through.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/raii.h"
#include "platform/windows_api.h"

namespace {

// A source value reduced to one of three forms.
struct Scalar {
  enum Kind { kEmpty, kInteger, kReal, kText } kind = kEmpty;
  LONGLONG integer = 0;
  double real = 0;
  bool isBool = false;
  std::u16string text;
};

HRESULT ReadScalar(const VARIANT& source, Scalar* out) {
  const bool byRef = (source.vt & VT_BYREF) != 0;
  if (byRef && source.byref == nullptr) return E_INVALIDARG;
  switch (source.vt & ~VT_BYREF) {
    case VT_EMPTY: out->kind = Scalar::kEmpty; return byRef ? DISP_E_BADVARTYPE : S_OK;
    case VT_I1: out->kind = Scalar::kInteger; out->integer = byRef ? *static_cast<signed char*>(source.byref) : static_cast<signed char>(source.cVal); return S_OK;
    case VT_UI1: out->kind = Scalar::kInteger; out->integer = byRef ? *source.pbVal : source.bVal; return S_OK;
    case VT_I2: out->kind = Scalar::kInteger; out->integer = byRef ? *source.piVal : source.iVal; return S_OK;
    case VT_UI2: out->kind = Scalar::kInteger; out->integer = byRef ? *static_cast<USHORT*>(source.byref) : source.uiVal; return S_OK;
    case VT_I4: case VT_INT: out->kind = Scalar::kInteger; out->integer = byRef ? *source.plVal : source.lVal; return S_OK;
    case VT_UI4: case VT_UINT: out->kind = Scalar::kInteger; out->integer = byRef ? *static_cast<ULONG*>(source.byref) : source.ulVal; return S_OK;
    case VT_I8: out->kind = Scalar::kInteger; out->integer = byRef ? *source.pllVal : source.llVal; return S_OK;
    case VT_BOOL:
      out->kind = Scalar::kInteger;
      out->isBool = true;
      out->integer = (byRef ? *source.pboolVal : source.boolVal) ? -1 : 0;
      return S_OK;
    case VT_R4: out->kind = Scalar::kReal; out->real = byRef ? *source.pfltVal : source.fltVal; return S_OK;
    case VT_R8: out->kind = Scalar::kReal; out->real = byRef ? *source.pdblVal : source.dblVal; return S_OK;
    case VT_BSTR: {
      BSTR text = byRef ? *source.pbstrVal : source.bstrVal;
      out->kind = Scalar::kText;
      if (text != nullptr) out->text.assign(text, SysStringLen(text));
      return S_OK;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }

// Reads a decimal number, surrounded by blanks at most.
HRESULT ParseNumber(const std::u16string& text, Scalar* out) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  if (begin == end) return DISP_E_TYPEMISMATCH;
  std::string narrow;
  for (size_t i = begin; i < end; ++i) {
    const char16_t c = text[i];
    if (!((c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.' || c == u'e' || c == u'E')) {
      return DISP_E_TYPEMISMATCH;
    }
    narrow.push_back(static_cast<char>(c));
  }
  char* stop = nullptr;
  const double value = std::strtod(narrow.c_str(), &stop);
  if (stop == nullptr || *stop != 0) return DISP_E_TYPEMISMATCH;
  out->kind = Scalar::kReal;
  out->real = value;
  return S_OK;
}

bool SameLetters(const std::u16string& text, const char* word) {
  size_t i = 0;
  for (; word[i] != 0; ++i) {
    if (i >= text.size()) return false;
    char16_t c = text[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 0x20);
    char w = word[i];
    if (w >= 'a' && w <= 'z') w = static_cast<char>(w - 0x20);
    if (c != static_cast<char16_t>(w)) return false;
  }
  return i == text.size();
}

// The value as a whole number, rounded half to even as the runtime does.
HRESULT ToInteger(const Scalar& value, LONGLONG low, LONGLONG high, LONGLONG* out) {
  double real = 0;
  switch (value.kind) {
    case Scalar::kEmpty: *out = 0; return S_OK;
    case Scalar::kInteger:
      if (value.integer < low || value.integer > high) return DISP_E_OVERFLOW;
      *out = value.integer;
      return S_OK;
    case Scalar::kReal: real = value.real; break;
    case Scalar::kText: {
      if (SameLetters(value.text, "True")) { *out = -1; return low <= -1 ? S_OK : DISP_E_OVERFLOW; }
      if (SameLetters(value.text, "False")) { *out = 0; return S_OK; }
      Scalar parsed;
      RETURN_IF_FAILED(ParseNumber(value.text, &parsed));
      real = parsed.real;
      break;
    }
  }
  if (std::isnan(real)) return DISP_E_OVERFLOW;
  const double rounded = std::nearbyint(real);  // the default mode: half to even
  if (rounded < static_cast<double>(low) || rounded > static_cast<double>(high)) return DISP_E_OVERFLOW;
  *out = static_cast<LONGLONG>(rounded);
  return S_OK;
}

HRESULT ToReal(const Scalar& value, double* out) {
  switch (value.kind) {
    case Scalar::kEmpty: *out = 0; return S_OK;
    case Scalar::kInteger: *out = static_cast<double>(value.integer); return S_OK;
    case Scalar::kReal: *out = value.real; return S_OK;
    case Scalar::kText: {
      Scalar parsed;
      RETURN_IF_FAILED(ParseNumber(value.text, &parsed));
      *out = parsed.real;
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

HRESULT ToText(const Scalar& value, USHORT flags, BSTR* out) {
  std::string narrow;
  switch (value.kind) {
    case Scalar::kEmpty: break;
    case Scalar::kInteger:
      if (value.isBool && (flags & VARIANT_ALPHABOOL)) {
        narrow = value.integer ? "True" : "False";
      } else {
        narrow = std::to_string(value.integer);
      }
      break;
    case Scalar::kReal: {
      char buffer[64];
      std::snprintf(buffer, sizeof(buffer), "%.15G", value.real);
      narrow = buffer;
      break;
    }
    case Scalar::kText:
      *out = SysAllocStringLen(value.text.data(), static_cast<UINT>(value.text.size()));
      return *out == nullptr ? E_OUTOFMEMORY : S_OK;
  }
  std::u16string wide(narrow.begin(), narrow.end());
  *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

HRESULT Convert(const Scalar& value, USHORT flags, VARTYPE type, VARIANT* out) {
  LONGLONG number = 0;
  switch (type) {
    case VT_I1: RETURN_IF_FAILED(ToInteger(value, -128, 127, &number)); out->cVal = static_cast<CHAR>(number); break;
    case VT_UI1: RETURN_IF_FAILED(ToInteger(value, 0, 255, &number)); out->bVal = static_cast<BYTE>(number); break;
    case VT_I2: RETURN_IF_FAILED(ToInteger(value, -32768, 32767, &number)); out->iVal = static_cast<SHORT>(number); break;
    case VT_UI2: RETURN_IF_FAILED(ToInteger(value, 0, 65535, &number)); out->uiVal = static_cast<USHORT>(number); break;
    case VT_I4: case VT_INT:
      RETURN_IF_FAILED(ToInteger(value, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max(), &number));
      out->lVal = static_cast<LONG>(number);
      break;
    case VT_UI4: case VT_UINT:
      RETURN_IF_FAILED(ToInteger(value, 0, std::numeric_limits<ULONG>::max(), &number));
      out->ulVal = static_cast<ULONG>(number);
      break;
    case VT_I8:
      RETURN_IF_FAILED(ToInteger(value, std::numeric_limits<LONGLONG>::min(), std::numeric_limits<LONGLONG>::max(), &number));
      out->llVal = number;
      break;
    case VT_BOOL:
      if (value.kind == Scalar::kReal) {
        out->boolVal = value.real != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      } else {
        RETURN_IF_FAILED(ToInteger(value, std::numeric_limits<LONGLONG>::min(), std::numeric_limits<LONGLONG>::max(), &number));
        out->boolVal = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      }
      break;
    case VT_R4: {
      double real = 0;
      RETURN_IF_FAILED(ToReal(value, &real));
      if (std::fabs(real) > std::numeric_limits<float>::max() && !std::isinf(real)) return DISP_E_OVERFLOW;
      out->fltVal = static_cast<FLOAT>(real);
      break;
    }
    case VT_R8: RETURN_IF_FAILED(ToReal(value, &out->dblVal)); break;
    case VT_BSTR: RETURN_IF_FAILED(ToText(value, flags, &out->bstrVal)); break;
    default: return DISP_E_TYPEMISMATCH;
  }
  out->vt = type;
  return S_OK;
}

}  // namespace

WINOLEAUTAPI VariantChangeType(VARIANTARG* destination, const VARIANTARG* source, USHORT flags,
                               VARTYPE type) {
  if (destination == nullptr || source == nullptr) return E_INVALIDARG;
  if (type == VT_VARIANT || type == source->vt) {
    if (destination == source) return S_OK;
    return VariantCopy(destination, source);
  }
  if (type == VT_EMPTY) return VariantClear(destination);
  if ((source->vt & ~VT_BYREF) == VT_VARIANT && (source->vt & VT_BYREF)) {
    if (source->pvarVal == nullptr) return E_INVALIDARG;
    return VariantChangeType(destination, source->pvarVal, flags, type);
  }
  Scalar value;
  RETURN_IF_FAILED(ReadScalar(*source, &value));
  VARIANT converted;
  VariantInit(&converted);
  RETURN_IF_FAILED(Convert(value, flags, type, &converted));
  VariantClear(destination);
  *destination = converted;
  return S_OK;
}
