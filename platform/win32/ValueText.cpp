#include "platform/Platform.h"
#include "platform/ValueTextCommon.h"
#include "platform/win32/WinText.h"

#include <windows.h>
#include <oleauto.h>

#include <cstring>

namespace platform {

namespace {

// Owns a VARIANT for the length of one conversion.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&value_); }
    ~ScopedVariant() { VariantClear(&value_); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT* get() { return &value_; }

private:
    VARIANT value_;
};

// The VARIANT that the database engine would have handed over for the
// value; false for a shape no VARIANT of the engine takes.
bool ToAutomation(const Variant& value, VARIANT& v) {
    switch (value.Type) {
    case VarType::Empty: V_VT(&v) = VT_EMPTY; break;
    case VarType::Null: V_VT(&v) = VT_NULL; break;
    case VarType::Bool:
        V_VT(&v) = VT_BOOL;
        V_BOOL(&v) = value.Bool ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case VarType::Byte:
        V_VT(&v) = VT_UI1;
        V_UI1(&v) = value.Byte;
        break;
    case VarType::I2:
        V_VT(&v) = VT_I2;
        V_I2(&v) = value.I2;
        break;
    case VarType::I4:
        V_VT(&v) = VT_I4;
        V_I4(&v) = value.I4;
        break;
    case VarType::I8:
        V_VT(&v) = VT_I8;
        V_I8(&v) = value.I8;
        break;
    case VarType::Currency:
        V_VT(&v) = VT_CY;
        V_CY(&v).int64 = value.I8;
        break;
    case VarType::R4:
        V_VT(&v) = VT_R4;
        V_R4(&v) = value.R4;
        break;
    case VarType::R8:
        V_VT(&v) = VT_R8;
        V_R8(&v) = value.R8;
        break;
    case VarType::Date:
        V_VT(&v) = VT_DATE;
        V_DATE(&v) = value.R8;
        break;
    case VarType::Decimal: {
        // The DECIMAL overlays the whole VARIANT, type tag included, so the
        // tag is set after the fields.
        DECIMAL& d = V_DECIMAL(&v);
        d.scale = value.Decimal.Scale;
        d.sign = value.Decimal.Negative ? DECIMAL_NEG : 0;
        d.Hi32 = value.Decimal.Hi32;
        d.Lo64 = value.Decimal.Lo64;
        V_VT(&v) = VT_DECIMAL;
        break;
    }
    default:
        // Text and the shapes formed by our own code never get here; anything
        // else is a value the runtime could not convert either.
        return false;
    }
    return true;
}

void CutAtNul(std::string& text) {
    const std::size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
}

} // namespace

int32_t VariantToText(const Variant& value, std::string& out) {
    out.clear();
    if (IsOwnValueText(value.Type))
        return FormatOwnValueText(value, out, win32::WideToAnsiChecked);
    if (value.Type == VarType::Text) {
        // A text is written whole: a NUL inside it is one of its characters.
        return win32::WideToAnsiChecked(value.Text, out);
    }

    ScopedVariant in;
    if (!ToAutomation(value, *in.get()))
        return static_cast<int32_t>(DISP_E_TYPEMISMATCH);
    ScopedVariant text;
    const HRESULT changed = VariantChangeType(text.get(), in.get(), 0, VT_BSTR);
    if (FAILED(changed))
        return static_cast<int32_t>(changed);

    const BSTR bstr = V_BSTR(text.get());
    const std::u16string_view wide(reinterpret_cast<const char16_t*>(bstr), bstr != nullptr ? SysStringLen(bstr) : 0);
    const int32_t result = win32::WideToAnsiChecked(wide, out);
    CutAtNul(out);
    return result;
}

std::size_t WriteScalarText(const Variant&, char*, std::size_t) {
    // The runtime's conversion follows the user's regional settings, which
    // only VariantChangeType knows in full.
    return kTextNotWritten;
}

bool ScalarTextMayHold(VarType, char) { return true; }

} // namespace platform
