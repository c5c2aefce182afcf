#pragma once
// A field value as the database layer hands it to the cell writer: the same
// shapes a DAO Field.Value VARIANT can take. Views (Text, Bytes, Items) point
// into storage owned by the recordset and stay valid until it moves.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum class VarType : uint8_t {
    Empty,
    Null,
    Bool,
    Byte,
    I2,
    I4,
    I8,
    Currency, // I8 holds value x 10^4
    R4,
    R8,
    Date, // R8 holds the OLE serial date
    Decimal,
    Text, // UTF-16
    Bytes,
    Guid,
    List, // complex column: one text per item
};

struct DecimalValue {
    bool Negative;
    uint8_t Scale; // 0..28
    uint32_t Hi32; // top 32 bits of the 96-bit mantissa
    uint64_t Lo64; // low 64 bits
};

struct Variant {
    VarType Type = VarType::Empty;
    union {
        int64_t I8 = 0;
        bool Bool;
        uint8_t Byte;
        int16_t I2;
        int32_t I4;
        float R4;
        double R8;
        DecimalValue Decimal;
        uint8_t Guid[16]; // in storage order (Data1..Data3 little-endian)
    };
    std::u16string_view Text;
    std::span<const uint8_t> Bytes;
    std::span<const std::u16string> Items;

    bool IsNull() const { return Type == VarType::Null; }
};
