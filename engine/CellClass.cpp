#include "engine/Cells.h"

#include "core/Database.h"

CellClass CellClassOf(int16_t typeCode) {
    switch (typeCode) {
    case DaoType::Byte:
    case DaoType::Integer:
    case DaoType::Long:
    case DaoType::Currency:
    case DaoType::Single:
    case DaoType::Double:
    case DaoType::BigInt:
    case DaoType::Numeric:
    case DaoType::Decimal:
    case DaoType::Float: return CellClass::Number;
    case DaoType::Boolean:
    case DaoType::Date: return CellClass::Verbatim;
    default:
        // Text is the safe choice for anything unknown (binary, GUIDs, times,
        // attachments and whatever newer engines add): it gets quoted and
        // escaped, so a stray delimiter cannot break the line.
        return CellClass::Text;
    }
}
