#include "jet/Values.h"

#include "jet/CalculatedValue.h"
#include "jet/ColumnDecimal.h"
#include "jet/ExtendedDate.h"
#include "jet/Text.h"

namespace jet {

namespace {

void ExpectSize(ByteSpan bytes, std::size_t size) {
    if (bytes.size() != size)
        RaiseCorrupt("value of the wrong size for its type");
}

void SetText(FieldValue& out) {
    out.Value.Type = VarType::Text;
    out.Value.Text = out.Text;
}

void SetBytes(FieldValue& out, ByteSpan bytes) {
    out.Bytes.assign(bytes.begin(), bytes.end());
    out.Value.Type = VarType::Bytes;
    out.Value.Bytes = out.Bytes;
}

// Values of fixed-size types, also the payloads of calculated columns.
void DecodeScalar(const Column& column, uint8_t type, ByteSpan bytes, FieldValue& out) {
    Variant& v = out.Value;
    switch (type) {
    case ColumnType::Byte:
        ExpectSize(bytes, 1);
        v.Type = VarType::Byte;
        v.Byte = bytes[0];
        return;
    case ColumnType::Integer:
        ExpectSize(bytes, 2);
        v.Type = VarType::I2;
        v.I2 = I16(bytes, 0);
        return;
    case ColumnType::Long:
        ExpectSize(bytes, 4);
        v.Type = VarType::I4;
        v.I4 = I32(bytes, 0);
        return;
    case ColumnType::Currency:
        ExpectSize(bytes, 8);
        v.Type = VarType::Currency;
        v.I8 = I64(bytes, 0);
        return;
    case ColumnType::BigInt:
        ExpectSize(bytes, 8);
        v.Type = VarType::I8;
        v.I8 = I64(bytes, 0);
        return;
    case ColumnType::Single:
        ExpectSize(bytes, 4);
        v.Type = VarType::R4;
        v.R4 = F32(bytes, 0);
        return;
    case ColumnType::Double:
        ExpectSize(bytes, 8);
        v.Type = VarType::R8;
        v.R8 = F64(bytes, 0);
        return;
    case ColumnType::DateTime:
        ExpectSize(bytes, 8);
        v.Type = VarType::Date;
        v.R8 = F64(bytes, 0);
        return;
    case ColumnType::Guid:
        ExpectSize(bytes, 16);
        v.Type = VarType::Guid;
        for (std::size_t k = 0; k < 16; ++k)
            v.Guid[k] = bytes[k];
        return;
    case ColumnType::Decimal:
        ExpectSize(bytes, kColumnDecimalSize);
        if (const char* fault = ReadColumnDecimal(bytes, column.Scale, v.Decimal))
            RaiseCorrupt(fault);
        v.Type = VarType::Decimal;
        return;
    case ColumnType::DateTimeExtended:
        out.Text.clear();
        AppendExtendedDate(bytes, out.Text);
        SetText(out);
        return;
    default: SetBytes(out, bytes); return;
    }
}

} // namespace

void DecodeValue(const Column& column, const ColumnBytes& located, DecodeContext& context, FieldValue& out) {
    Variant& v = out.Value;
    v.Text = {};
    v.Bytes = {};
    v.Items = {};
    switch (located.State) {
    case Presence::Null: v.Type = VarType::Null; return;
    case Presence::False:
    case Presence::True:
        v.Type = VarType::Bool;
        v.Bool = located.State == Presence::True;
        return;
    case Presence::Bytes: break;
    }
    const ByteSpan bytes = located.Bytes;
    const bool longValue = column.Type == ColumnType::Memo || column.Type == ColumnType::Ole;
    if (column.IsCalculated()) {
        if (!longValue) {
            DecodeCalculatedValue(column, bytes, context, out);
            return;
        }
        // A memo result is a long value whose data is the wrapped result; a
        // broken chain loses that cell only, as an undecodable result does.
        try {
            context.LongValues->Read(bytes, *context.Scratch);
        } catch (const EngineError&) {
            v.Type = VarType::Null;
            context.ValuesLeftEmpty += 1;
            return;
        }
        DecodeCalculatedValue(column, *context.Scratch, context, out);
        return;
    }
    switch (column.Type) {
    case ColumnType::Text: DecodeStoredText(column, bytes, context, out); return;
    case ColumnType::Memo:
        context.LongValues->Read(bytes, *context.Scratch);
        DecodeStoredText(column, *context.Scratch, context, out);
        return;
    case ColumnType::Ole:
        context.LongValues->Read(bytes, out.Bytes);
        v.Type = VarType::Bytes;
        v.Bytes = out.Bytes;
        return;
    default: DecodeScalar(column, column.Type, bytes, out); return;
    }
}

bool LocateStoredText(const Column& column, const ColumnBytes& located, DecodeContext& context,
                      std::vector<uint8_t>& memo, ByteSpan& stored) {
    if (located.State != Presence::Bytes || column.IsCalculated())
        return false;
    switch (column.Type) {
    case ColumnType::Text: stored = located.Bytes; break;
    case ColumnType::Memo:
        context.LongValues->Read(located.Bytes, memo);
        stored = memo;
        break;
    default: return false;
    }
    if (!context.Jet3)
        CheckUnicodeText(stored);
    return true;
}

void DecodeStoredText(const Column& column, ByteSpan stored, const DecodeContext& context, FieldValue& out) {
    Variant& v = out.Value;
    v.Bytes = {};
    v.Items = {};
    out.Text.clear();
    AppendStoredText(stored, context.Jet3, column.CodePage != 0 ? column.CodePage : context.CodePage, out.Text);
    SetText(out);
}

int16_t DaoTypeOf(const Column& column) {
    switch (column.IsCalculated() ? CalculatedResultType(column) : column.Type) {
    case ColumnType::Boolean: return DaoType::Boolean;
    case ColumnType::Byte: return DaoType::Byte;
    case ColumnType::Integer: return DaoType::Integer;
    case ColumnType::Long: return DaoType::Long;
    case ColumnType::Currency: return DaoType::Currency;
    case ColumnType::Single: return DaoType::Single;
    case ColumnType::Double: return DaoType::Double;
    case ColumnType::DateTime: return DaoType::Date;
    case ColumnType::Binary: return DaoType::Binary;
    case ColumnType::Text: return DaoType::Text;
    case ColumnType::Ole: return DaoType::LongBinary;
    case ColumnType::Memo: return DaoType::Memo;
    case ColumnType::Guid: return DaoType::Guid;
    case ColumnType::Decimal: return DaoType::Decimal;
    case ColumnType::BigInt: return DaoType::BigInt;
    case ColumnType::DateTimeExtended: return kDaoDateTimeExtended;
    default: return DaoType::Binary; // unknown stored types are handed out as raw bytes
    }
}

} // namespace jet
