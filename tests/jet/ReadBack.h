#pragma once
// A table read through our reader as plain texts, one per cell, in forms
// that do not depend on the locale: what the reader tests compare with.

#include "CorpusFiles.h"

#include "core/Database.h"

#include <cstdio>
#include <string>
#include <vector>

namespace jettest {

inline std::string Plain(const Variant& v) {
    char text[64];
    switch (v.Type) {
    case VarType::Null: return "<null>";
    case VarType::Bool: return v.Bool ? "true" : "false";
    case VarType::Byte: return "byte " + std::to_string(v.Byte);
    case VarType::I2: return "int " + std::to_string(v.I2);
    case VarType::I4: return "long " + std::to_string(v.I4);
    case VarType::I8: return "big " + std::to_string(v.I8);
    case VarType::Currency: std::snprintf(text, sizeof text, "cur %lld", static_cast<long long>(v.I8)); return text;
    case VarType::R4: std::snprintf(text, sizeof text, "single %.9g", static_cast<double>(v.R4)); return text;
    case VarType::R8: std::snprintf(text, sizeof text, "double %.17g", v.R8); return text;
    case VarType::Date: std::snprintf(text, sizeof text, "date %.17g", v.R8); return text;
    case VarType::Decimal: {
        unsigned __int128 m = (static_cast<unsigned __int128>(v.Decimal.Hi32) << 64) | v.Decimal.Lo64;
        std::string digits;
        do {
            digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(m % 10)));
            m /= 10;
        } while (m != 0);
        return std::string("dec ") + (v.Decimal.Negative ? "-" : "") + digits + "e-" + std::to_string(v.Decimal.Scale);
    }
    case VarType::Text: return Utf8(v.Text);
    case VarType::Bytes: return "bytes " + std::to_string(v.Bytes.size());
    case VarType::Guid: return "guid";
    default: return "<other>";
    }
}

// Every record of the table, each field as Plain gives it.
inline std::vector<std::vector<std::string>> ReadTable(Database& database, std::u16string_view table) {
    std::vector<std::vector<std::string>> rows;
    auto records = database.OpenRecordset(table);
    for (; !records->Eof(); records->MoveNext()) {
        const Fields& fields = records->GetFields();
        std::vector<std::string> row;
        for (int16_t f = 0; f < fields.Count(); ++f)
            row.push_back(Plain(fields.Item(f).Value()));
        rows.push_back(std::move(row));
    }
    return rows;
}

inline std::vector<std::string> TableNames(Database& database) {
    std::vector<std::string> names;
    const auto tableDefs = database.GetTableDefs();
    for (int16_t i = 0; i < tableDefs->Count(); ++i)
        names.push_back(Utf8(tableDefs->Item(i)->Name()));
    return names;
}

} // namespace jettest
