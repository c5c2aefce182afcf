#include "tools/mkdb/MdbDescription.h"

#include <cctype>
#include <stdexcept>

JetType JetTypeFromName(const std::string& name) {
    std::string n;
    for (char c : name)
        n += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    struct Entry {
        const char* name;
        JetType type;
    };
    static const Entry kNames[] = {
        {"boolean", JetType::Boolean}, {"bool", JetType::Boolean},
        {"yesno", JetType::Boolean},   {"byte", JetType::Byte},
        {"integer", JetType::Integer}, {"int", JetType::Integer},
        {"long", JetType::Long},       {"currency", JetType::Currency},
        {"float", JetType::Single},    {"single", JetType::Single},
        {"double", JetType::Double},   {"datetime", JetType::DateTime},
        {"date", JetType::DateTime},   {"binary", JetType::Binary},
        {"text", JetType::Text},       {"ole", JetType::OLE},
        {"memo", JetType::Memo},       {"repid", JetType::GUID},
        {"guid", JetType::GUID},       {"numeric", JetType::Decimal},
        {"decimal", JetType::Decimal}, {"attachment", JetType::Complex},
    };
    for (const Entry& e : kNames) {
        if (n == e.name)
            return e.type;
    }
    throw std::runtime_error("unknown column type \"" + name + "\"");
}

const char* JetTypeName(JetType type) {
    switch (type) {
    case JetType::Boolean: return "boolean";
    case JetType::Byte: return "byte";
    case JetType::Integer: return "integer";
    case JetType::Long: return "long";
    case JetType::Currency: return "currency";
    case JetType::Single: return "float";
    case JetType::Double: return "double";
    case JetType::DateTime: return "datetime";
    case JetType::Binary: return "binary";
    case JetType::Text: return "text";
    case JetType::OLE: return "ole";
    case JetType::Memo: return "memo";
    case JetType::GUID: return "repid";
    case JetType::Decimal: return "numeric";
    case JetType::Complex: return "complex";
    }
    return "unknown";
}

bool IsVariableLength(JetType type) {
    return type == JetType::Text || type == JetType::Memo || type == JetType::OLE || type == JetType::Binary;
}

bool IsLongValue(JetType type) { return type == JetType::Memo || type == JetType::OLE; }
