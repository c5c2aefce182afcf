#include "jet/CalculatedValue.h"

#include "jet/ColumnDecimal.h"
#include "jet/ExtendedDate.h"
#include "jet/PropertyBlobFormat.h"
#include "jet/Text.h"

#include <limits>

namespace jet {

namespace {

constexpr std::size_t kPayloadLengthAt = kCalculatedValue.PayloadLength;
constexpr std::size_t kPayloadAt = kCalculatedValue.Payload;

// The payload of a stored value. Values written without the envelope
// (fixed-size results kept in the row as they are) are their own payload;
// a length that overruns the value means the same.
ByteSpan PayloadOf(ByteSpan stored) {
    if (stored.size() < kPayloadAt)
        return stored;
    const uint32_t length = U32(stored, kPayloadLengthAt);
    if (length > stored.size() - kPayloadAt)
        return stored;
    return stored.subspan(kPayloadAt, length);
}

// Whole numbers are stored in as many bytes as the expression's own type
// took, which need not be the result type's size.
bool ReadWhole(ByteSpan payload, int64_t& value) {
    switch (payload.size()) {
    case 1: value = payload[0]; return true;
    case 2: value = I16(payload, 0); return true;
    case 4: value = I32(payload, 0); return true;
    case 8: value = I64(payload, 0); return true;
    default: return false;
    }
}

// The result type's own shape when the number fits it, a wider integer when not.
void SetWhole(Variant& v, int64_t value, uint8_t type) {
    if (type == ColumnType::Byte && value >= 0 && value <= 255) {
        v.Type = VarType::Byte;
        v.Byte = static_cast<uint8_t>(value);
    } else if (type == ColumnType::Integer && value >= INT16_MIN && value <= INT16_MAX) {
        v.Type = VarType::I2;
        v.I2 = static_cast<int16_t>(value);
    } else if (type != ColumnType::BigInt && value >= INT32_MIN && value <= INT32_MAX) {
        v.Type = VarType::I4;
        v.I4 = static_cast<int32_t>(value);
    } else {
        v.Type = VarType::I8;
        v.I8 = value;
    }
}

bool SetDecimal(Variant& v, bool negative, uint8_t scale, uint32_t hi, uint64_t lo) {
    if (scale > 28)
        return false;
    v.Type = VarType::Decimal;
    v.Decimal = DecimalValue{negative, scale, hi, lo};
    return true;
}

// The platform's DECIMAL: reserved word, scale, sign, high 32 bits, low 64.
bool SetPlatformDecimal(Variant& v, ByteSpan payload) {
    return SetDecimal(v, (payload[3] & 0x80) != 0, payload[2], U32(payload, 4), U64(payload, 8));
}

// A whole-number result; a 16-byte payload is the platform's DECIMAL.
bool DecodeWhole(uint8_t type, ByteSpan payload, Variant& v) {
    int64_t whole = 0;
    if (!ReadWhole(payload, whole))
        return payload.size() == 16 && SetPlatformDecimal(v, payload);
    SetWhole(v, whole, type);
    return true;
}

// A Single or Double result, kept in the float's own width when it is one,
// else in the shape its bytes give.
bool DecodeReal(uint8_t type, ByteSpan payload, Variant& v) {
    if (payload.size() == 4) {
        v.Type = VarType::R4;
        v.R4 = F32(payload, 0);
        if (type == ColumnType::Double) {
            v.Type = VarType::R8;
            v.R8 = static_cast<double>(F32(payload, 0));
        }
        return true;
    }
    if (payload.size() == 8) {
        v.Type = VarType::R8;
        v.R8 = F64(payload, 0);
        return true;
    }
    return DecodeWhole(ColumnType::Long, payload, v);
}

bool DecodeCurrency(ByteSpan payload, Variant& v) {
    if (payload.size() == 8) {
        v.Type = VarType::Currency;
        v.I8 = I64(payload, 0);
        return true;
    }
    if (payload.size() == 16)
        return SetPlatformDecimal(v, payload);
    int64_t whole = 0;
    if (!ReadWhole(payload, whole))
        return false;
    SetWhole(v, whole, ColumnType::Long);
    return true;
}

bool DecodeDecimal(const Column& column, ByteSpan payload, Variant& v) {
    if (payload.size() == 16)
        return SetPlatformDecimal(v, payload);
    if (payload.size() == kColumnDecimalSize) {
        if (ReadColumnDecimal(payload, column.Scale, v.Decimal) != nullptr)
            return false;
        v.Type = VarType::Decimal;
        return true;
    }
    int64_t whole = 0;
    if (!ReadWhole(payload, whole))
        return false;
    SetWhole(v, whole, ColumnType::BigInt);
    return true;
}

bool DecodeFixedSize(uint8_t type, ByteSpan payload, Variant& v) {
    if (payload.size() != (type == ColumnType::Guid ? 16u : 8u))
        return false;
    if (type == ColumnType::DateTime) {
        v.Type = VarType::Date;
        v.R8 = F64(payload, 0);
        return true;
    }
    v.Type = VarType::Guid;
    for (std::size_t k = 0; k < 16; ++k)
        v.Guid[k] = payload[k];
    return true;
}

void SetText(FieldValue& out) {
    out.Value.Type = VarType::Text;
    out.Value.Text = out.Text;
}

bool DecodeResult(uint8_t type, const Column& column, ByteSpan payload, DecodeContext& context, FieldValue& out) {
    Variant& v = out.Value;
    switch (type) {
    case ColumnType::Boolean:
        v.Type = VarType::Bool;
        v.Bool = false;
        for (uint8_t byte : payload)
            v.Bool = v.Bool || byte != 0;
        return true;
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::BigInt: return DecodeWhole(type, payload, v);
    case ColumnType::Single:
    case ColumnType::Double: return DecodeReal(type, payload, v);
    case ColumnType::Currency: return DecodeCurrency(payload, v);
    case ColumnType::Decimal: return DecodeDecimal(column, payload, v);
    case ColumnType::DateTime:
    case ColumnType::Guid: return DecodeFixedSize(type, payload, v);
    case ColumnType::Text:
    case ColumnType::Memo:
        out.Text.clear();
        AppendStoredText(payload, context.Jet3, context.CodePage, out.Text);
        SetText(out);
        return true;
    case ColumnType::DateTimeExtended:
        out.Text.clear();
        AppendExtendedDate(payload, out.Text);
        SetText(out);
        return true;
    default:
        out.Bytes.assign(payload.begin(), payload.end());
        v.Type = VarType::Bytes;
        v.Bytes = out.Bytes;
        return true;
    }
}

} // namespace

uint8_t CalculatedResultType(const Column& column) { return column.ResultType != 0 ? column.ResultType : column.Type; }

void DecodeCalculatedValue(const Column& column, ByteSpan stored, DecodeContext& context, FieldValue& out) {
    const ByteSpan payload = PayloadOf(stored);
    // An empty result is the expression's NULL (its inputs were NULL).
    bool decoded = payload.empty();
    if (!decoded) {
        try {
            decoded = DecodeResult(CalculatedResultType(column), column, payload, context, out);
        } catch (const EngineError&) {
            decoded = false;
        }
    }
    if (!decoded)
        context.ValuesLeftEmpty += 1;
    if (!decoded || payload.empty()) {
        out.Value.Type = VarType::Null;
        out.Value.Text = {};
        out.Value.Bytes = {};
    }
}

} // namespace jet
