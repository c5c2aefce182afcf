#include "tools/mkdb/TableLayout.h"

#include "tools/mkdb/ValueEncoding.h"

#include <cctype>
#include <set>
#include <stdexcept>

namespace mkdb {

namespace {

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

TableLayout MakeLayout(const std::string& tableName, const std::vector<ColumnSpec>& columns, bool jet3) {
    auto fail = [&](const std::string& what) { throw std::runtime_error("table " + tableName + ": " + what); };
    if (columns.empty())
        fail("has no columns");
    if (columns.size() > 255)
        fail("more than 255 columns");
    TableLayout layout;
    std::set<std::string> names;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        ColumnLayout c;
        c.column = columns[i];
        const std::string& name = c.column.name;
        std::u16string wide = Utf8ToUtf16(name);
        if (wide.empty() || wide.size() > 64)
            fail("column names must have 1 to 64 characters");
        if (!names.insert(Lower(name)).second)
            fail("duplicate column " + name);
        c.number = static_cast<int>(i);
        // Calculated results live in the variable area whatever their type.
        c.fixed = !IsVariableLength(c.column.type) && !c.column.calculatedResult;
        switch (c.column.type) {
        case JetType::Text:
            if (c.column.size == 0)
                c.column.size = 255;
            if (c.column.size < 1 || c.column.size > 255)
                fail(name + ": text size must be 1 to 255");
            c.length = jet3 ? c.column.size : 2 * c.column.size;
            break;
        case JetType::Binary:
            if (c.column.size == 0)
                c.column.size = 255;
            if (c.column.size < 1 || c.column.size > 255)
                fail(name + ": binary size must be 1 to 255");
            c.length = c.column.size;
            break;
        case JetType::Memo:
        case JetType::OLE: c.length = 0; break;
        case JetType::Decimal:
            if (jet3)
                fail(name + ": Jet3 files have no decimal type");
            if (c.column.precision < 1 || c.column.precision > 28 || c.column.scale < 0 ||
                c.column.scale > c.column.precision) {
                fail(name + ": decimal precision must be 1 to 28 and scale 0 to precision");
            }
            c.length = FixedSize(c.column.type);
            break;
        default: c.length = FixedSize(c.column.type); break;
        }
        if (c.column.calculatedResult && !IsVariableLength(c.column.type))
            c.length = 39;
        if (c.column.autonumber && c.column.type != JetType::Long)
            fail(name + ": only long columns can be autonumbers");
        if (c.fixed) {
            if (c.column.type != JetType::Boolean) {
                c.fixedOffset = layout.fixedAreaSize;
                layout.fixedAreaSize += c.length;
            }
        } else {
            c.varIndex = layout.varCount++;
        }
        layout.columns.push_back(std::move(c));
    }
    return layout;
}

} // namespace mkdb
