#include "platform/native/typelib/dispatch_invocation.h"

#include <cstring>
#include <vector>

#include "platform/native/typelib/vtable_call.h"
#include "platform/raii.h"

namespace platform::typelib {
namespace {

constexpr WORD kRestrictedFunction = 0x1;  // FUNCFLAG_FRESTRICTED
constexpr WORD kPutKinds = INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF;

const ViewFunction* FindInvocable(const TypeView& view, MEMBERID member, WORD flags) {
  for (const ViewFunction& function : view.functions) {
    if (function.stored->memid == member && (function.stored->invkind & flags) != 0 &&
        (function.stored->flags & kRestrictedFunction) == 0) {
      return &function;
    }
  }
  return nullptr;
}

// Whether a value of `vt` can be received through a pointer into a
// VARIANT's value field.
bool FitsVariantValue(VARTYPE vt) {
  switch (vt) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_UI1: case VT_UI2: case VT_UI4:
    case VT_UI8: case VT_INT: case VT_UINT: case VT_R4: case VT_R8: case VT_BOOL: case VT_BSTR:
    case VT_DISPATCH: case VT_UNKNOWN: case VT_CY: case VT_DATE: case VT_ERROR:
      return true;
    default:
      return false;
  }
}

// Converted argument values that must be released after the call.
class ConvertedValues {
 public:
  ~ConvertedValues() {
    for (VARIANT& value : values_) VariantClear(&value);
  }
  VARIANT* Add() {
    values_.emplace_back();
    VariantInit(&values_.back());
    return &values_.back();
  }
  void Reserve(size_t count) { values_.reserve(count); }

 private:
  std::vector<VARIANT> values_;
};

// Makes the call argument for a parameter of `type` from `source`.
HRESULT ConvertArgument(const TypeDescModel& type, VARIANT* source, ConvertedValues* converted,
                        CallArgument* argument) {
  switch (type.vt) {
    case VT_VARIANT:
      argument->shape = ArgumentShape::kVariant;
      argument->variant = *source;  // lent to the callee, not handed over
      return S_OK;
    case VT_PTR: {
      const VARTYPE pointee = type.inner.empty() ? VARTYPE{VT_EMPTY} : type.inner[0].vt;
      argument->shape = ArgumentShape::kPointer;
      if (source->vt == (VT_BYREF | pointee)) {
        argument->pointer = source->byref;
        return S_OK;
      }
      if (pointee == VT_VARIANT) {
        argument->pointer = source;
        return S_OK;
      }
      return DISP_E_TYPEMISMATCH;
    }
    case VT_I4: case VT_INT: case VT_UI4: case VT_UINT: case VT_ERROR: {
      VARIANT* value = converted->Add();
      VARTYPE target = type.vt;
      if (target == VT_INT) target = VT_I4;
      if (target == VT_UINT) target = VT_UI4;
      RETURN_IF_FAILED(VariantChangeType(value, source, 0, target));
      argument->shape = ArgumentShape::kLong;
      argument->number = value->lVal;
      return S_OK;
    }
    case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN: {
      VARIANT* value = converted->Add();
      RETURN_IF_FAILED(VariantChangeType(value, source, 0, type.vt));
      argument->shape = ArgumentShape::kPointer;
      argument->pointer = value->byref;
      return S_OK;
    }
    default:
      return DISP_E_BADVARTYPE;  // no call shape for this type
  }
}

}  // namespace

HRESULT InvokeMember(const TypeView& view, void* instance, MEMBERID member, WORD flags,
                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                     UINT* argumentError) {
  if (instance == nullptr || params == nullptr) return E_INVALIDARG;
  if ((params->cArgs > 0 && params->rgvarg == nullptr) || params->cNamedArgs > params->cArgs ||
      (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr)) {
    return E_INVALIDARG;
  }
  const ViewFunction* found = FindInvocable(view, member, flags);
  if (found == nullptr || found->call == nullptr) return DISP_E_MEMBERNOTFOUND;
  const FunctionModel& call = *found->call;
  if (call.slot < 0 || call.slot >= found->callSlots || call.result.vt != VT_HRESULT) {
    return DISP_E_MEMBERNOTFOUND;
  }

  const bool hasRetval = !call.params.empty() && (call.params.back().flags & PARAMFLAG_FRETVAL) &&
                         call.params.back().type.vt == VT_PTR && !call.params.back().type.inner.empty();
  const size_t inCount = call.params.size() - (hasRetval ? 1 : 0);
  if (call.params.size() > kMaxCallArguments) return E_NOTIMPL;

  // Which element of rgvarg feeds each parameter: positional arguments are
  // stored last to first after the named ones.
  constexpr UINT kNone = static_cast<UINT>(-1);
  std::vector<UINT> source(inCount, kNone);
  const bool isPut = (found->stored->invkind & kPutKinds) != 0;
  for (UINT k = 0; k < params->cNamedArgs; ++k) {
    const DISPID id = params->rgdispidNamedArgs[k];
    size_t target;
    if (id == DISPID_PROPERTYPUT && isPut && inCount > 0) {
      target = inCount - 1;
    } else if (id >= 0 && static_cast<size_t>(id) < inCount) {
      target = static_cast<size_t>(id);
    } else {
      if (argumentError != nullptr) *argumentError = k;
      return DISP_E_PARAMNOTFOUND;
    }
    if (source[target] != kNone) return DISP_E_PARAMNOTFOUND;
    source[target] = k;
  }
  if (isPut && (inCount == 0 || source[inCount - 1] == kNone)) return DISP_E_PARAMNOTFOUND;
  const UINT positional = params->cArgs - params->cNamedArgs;
  if (positional > inCount) return DISP_E_BADPARAMCOUNT;
  for (UINT i = 0; i < positional; ++i) {
    if (source[i] != kNone) return DISP_E_BADPARAMCOUNT;
    source[i] = params->cArgs - 1 - i;
  }

  ConvertedValues converted;
  converted.Reserve(inCount);  // the call arguments point into it
  CallArgument arguments[kMaxCallArguments];
  VARIANT missing;
  VariantInit(&missing);
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  for (size_t i = 0; i < inCount; ++i) {
    const ParamModel& param = call.params[i];
    if (source[i] == kNone) {
      if ((param.flags & PARAMFLAG_FOPT) == 0 || param.type.vt != VT_VARIANT) return DISP_E_BADPARAMCOUNT;
    }
    VARIANT* value = source[i] == kNone ? &missing : &params->rgvarg[source[i]];
    const HRESULT hr = ConvertArgument(param.type, value, &converted, &arguments[i]);
    if (FAILED(hr)) {
      if (argumentError != nullptr && source[i] != kNone) *argumentError = source[i];
      return hr;
    }
  }

  VARIANT retval;
  VariantInit(&retval);
  VARTYPE retvalType = VT_EMPTY;
  if (hasRetval) {
    retvalType = call.params.back().type.inner[0].vt;
    CallArgument& out = arguments[inCount];
    out.shape = ArgumentShape::kPointer;
    if (retvalType == VT_VARIANT) {
      out.pointer = &retval;
    } else if (FitsVariantValue(retvalType)) {
      out.pointer = &retval.llVal;  // every value field starts here
    } else {
      return DISP_E_BADVARTYPE;
    }
  }

  const HRESULT called = CallVtableEntry(instance, static_cast<size_t>(call.slot), arguments,
                                         call.params.size());
  if (FAILED(called)) {
    if (retvalType == VT_VARIANT) VariantClear(&retval);
    if (exception != nullptr) {
      std::memset(exception, 0, sizeof(*exception));
      exception->scode = called;
    }
    return DISP_E_EXCEPTION;
  }
  if (hasRetval && retvalType != VT_VARIANT) retval.vt = retvalType;
  if (result != nullptr && hasRetval && !isPut) {
    *result = retval;  // the caller owns it now
  } else {
    VariantClear(&retval);
  }
  return S_OK;
}

}  // namespace platform::typelib
