#include "tools/mkdb/DescriptionJson.h"

#include "tools/mkdb/Generator.h"
#include "tools/mkdb/ValueEncoding.h"

#include <set>
#include <stdexcept>

namespace {

void CheckKeys(const JsonValue& object, const std::set<std::string>& allowed, const std::string& where) {
    // A misspelt key would otherwise be ignored silently and the fixture
    // would quietly lack what the test meant to exercise.
    for (const auto& [key, value] : object.items()) {
        if (!allowed.count(key))
            throw std::runtime_error(where + ": unknown key \"" + key + "\"");
    }
}

int IntOr(const JsonValue& object, const char* key, int fallback) {
    const JsonValue* v = object.find(key);
    return v ? static_cast<int>(v->asInteger()) : fallback;
}

ColumnSpec ColumnFromJson(const JsonValue& json, const std::string& table) {
    std::string where = "table " + table + ", column";
    CheckKeys(json, {"name", "type", "size", "precision", "scale", "autonumber", "calculated"}, where);
    ColumnSpec c;
    c.name = json["name"].asString();
    c.type = JetTypeFromName(json["type"].asString());
    c.size = IntOr(json, "size", 0);
    c.precision = IntOr(json, "precision", 18);
    c.scale = IntOr(json, "scale", 0);
    if (const JsonValue* a = json.find("autonumber"))
        c.autonumber = a->asBoolean();
    // "calculated": the result's type name; "type" stays what the descriptor says.
    if (const JsonValue* r = json.find("calculated"))
        c.calculatedResult = JetTypeFromName(r->asString());
    return c;
}

std::vector<std::string> Names(const JsonValue& list) {
    std::vector<std::string> out;
    for (const JsonValue& v : list.elements())
        out.push_back(v.asString());
    return out;
}

// {"name", "columns": ["A", {"name": "B", "descending": true}], "primary", "unique"}
IndexSpec IndexFromJson(const JsonValue& json, const std::string& table) {
    CheckKeys(json, {"name", "columns", "primary", "unique"}, "table " + table + ", index");
    IndexSpec index;
    index.name = json["name"].asString();
    for (const JsonValue& c : json["columns"].elements()) {
        if (c.isString()) {
            index.columns.push_back(c.asString());
            index.descending.push_back(false);
        } else {
            CheckKeys(c, {"name", "descending"}, "table " + table + ", index " + index.name);
            index.columns.push_back(c["name"].asString());
            const JsonValue* d = c.find("descending");
            index.descending.push_back(d && d->asBoolean());
        }
    }
    if (index.columns.empty() || index.columns.size() > 10)
        throw std::runtime_error("table " + table + ", index " + index.name + ": 1 to 10 columns");
    if (const JsonValue* p = json.find("primary"))
        index.primary = p->asBoolean();
    if (const JsonValue* u = json.find("unique"))
        index.unique = u->asBoolean();
    return index;
}

RelationshipSpec RelationshipFromJson(const JsonValue& json) {
    CheckKeys(json,
              {"name", "table", "columns", "referencedTable", "referencedColumns", "enforced", "cascadeUpdate",
               "cascadeDelete"},
              "relationship");
    RelationshipSpec r;
    r.name = json["name"].asString();
    r.table = json["table"].asString();
    r.columns = Names(json["columns"]);
    r.referencedTable = json["referencedTable"].asString();
    r.referencedColumns = Names(json["referencedColumns"]);
    if (const JsonValue* v = json.find("enforced"))
        r.enforced = v->asBoolean();
    if (const JsonValue* v = json.find("cascadeUpdate"))
        r.cascadeUpdate = v->asBoolean();
    if (const JsonValue* v = json.find("cascadeDelete"))
        r.cascadeDelete = v->asBoolean();
    return r;
}

std::vector<std::size_t> Positions(const JsonValue& table, const char* key) {
    std::vector<std::size_t> out;
    if (const JsonValue* list = table.find(key)) {
        for (const JsonValue& v : list->elements()) {
            long long p = v.asInteger();
            if (p < 0)
                throw std::runtime_error(std::string(key) + ": negative row position");
            out.push_back(static_cast<std::size_t>(p));
        }
    }
    return out;
}

GeneratorSettings GeneratorFromJson(const JsonValue& json, const std::vector<ColumnSpec>& columns,
                                    const std::string& table) {
    CheckKeys(json, {"rows", "seed", "columns"}, "table " + table + ", generate");
    GeneratorSettings g;
    long long rows = json["rows"].asInteger();
    if (rows < 0)
        throw std::runtime_error("table " + table + ": negative row count");
    g.rows = static_cast<std::uint64_t>(rows);
    if (const JsonValue* seed = json.find("seed"))
        g.seed = static_cast<std::uint64_t>(seed->asInteger());
    g.columns.resize(columns.size());
    if (const JsonValue* settings = json.find("columns")) {
        for (const auto& [name, s] : settings->items()) {
            std::size_t i = 0;
            while (i < columns.size() && columns[i].name != name)
                ++i;
            if (i == columns.size())
                throw std::runtime_error("table " + table + ": generate: no column " + name);
            CheckKeys(s, {"nullRate", "minLength", "maxLength"}, "table " + table + ", generate " + name);
            if (const JsonValue* r = s.find("nullRate"))
                g.columns[i].nullRate = r->asNumber();
            g.columns[i].minLength = IntOr(s, "minLength", -1);
            g.columns[i].maxLength = IntOr(s, "maxLength", -1);
        }
    }
    return g;
}

mkdb::EncryptionSettings EncryptionFromJson(const JsonValue& json) {
    CheckKeys(json, {"scheme", "password", "keyBits", "hash", "spinCount", "provider", "version"}, "encryption");
    mkdb::EncryptionSettings e;
    e.scheme = json["scheme"].asString();
    if (const JsonValue* p = json.find("password"))
        e.password = p->asString();
    e.keyBits = IntOr(json, "keyBits", 0);
    if (const JsonValue* h = json.find("hash"))
        e.hash = h->asString();
    if (const JsonValue* s = json.find("spinCount")) {
        long long count = s->asInteger();
        if (count < 0 || count > 10000000)
            throw std::runtime_error("encryption: spin count out of range");
        e.spinCount = static_cast<std::uint32_t>(count);
    }
    if (const JsonValue* p = json.find("provider"))
        e.provider = p->asString();
    e.version = IntOr(json, "version", 0);
    return e;
}

} // namespace

CellValue CellFromJson(const ColumnSpec& declared, const JsonValue& value) {
    // A calculated column's values are results, given as their own type.
    ColumnSpec column = declared;
    if (column.calculatedResult)
        column.type = *column.calculatedResult;
    switch (value.kind()) {
    case JsonValue::Kind::Null: return CellValue::null();
    case JsonValue::Kind::Boolean: return CellValue::fromBool(value.asBoolean());
    case JsonValue::Kind::Number:
        switch (column.type) {
        case JetType::Currency:
        case JetType::Decimal: return CellValue::fromText(value.numberText()); // keep every digit
        case JetType::Single:
        case JetType::Double:
        case JetType::DateTime: return CellValue::fromReal(value.asNumber());
        default: return CellValue::fromInt(value.asInteger());
        }
    case JsonValue::Kind::String:
        if (column.type == JetType::Binary || column.type == JetType::OLE) {
            return CellValue::fromBytes(HexToBytes(value.asString()));
        }
        return CellValue::fromText(value.asString());
    default: throw std::runtime_error("column " + column.name + ": arrays and objects are not values");
    }
}

namespace {

// A table's given rows, each checked against its columns.
std::vector<std::vector<CellValue>> RowsFromJson(const JsonValue& rows, const TableSpec& table) {
    std::vector<std::vector<CellValue>> result;
    std::size_t number = 0;
    for (const JsonValue& row : rows.elements()) {
        ++number;
        if (row.size() != table.columns.size()) {
            throw std::runtime_error("table " + table.name + ", row " + std::to_string(number) + ": " +
                                     std::to_string(row.size()) + " values for " +
                                     std::to_string(table.columns.size()) + " columns");
        }
        std::vector<CellValue> values;
        for (std::size_t i = 0; i < table.columns.size(); ++i) {
            try {
                values.push_back(CellFromJson(table.columns[i], row[i]));
            } catch (const std::runtime_error& e) {
                throw std::runtime_error("table " + table.name + ", row " + std::to_string(number) + ": " + e.what());
            }
        }
        result.push_back(std::move(values));
    }
    return result;
}

TableSpec TableFromJson(const JsonValue& t, std::optional<std::uint64_t> rowsOverride,
                        std::optional<std::uint64_t> seedOverride) {
    TableSpec table;
    table.name = t["name"].asString();
    CheckKeys(t,
              {"name", "columns", "rows", "generate", "deletedRows", "overflowRows", "inlineLongValueLimit", "hidden",
               "comment", "indexes"},
              "table " + table.name);
    if (const JsonValue* indexes = t.find("indexes"))
        for (const JsonValue& i : indexes->elements())
            table.indexes.push_back(IndexFromJson(i, table.name));
    for (const JsonValue& c : t["columns"].elements())
        table.columns.push_back(ColumnFromJson(c, table.name));
    if (t.contains("rows") == t.contains("generate")) {
        throw std::runtime_error("table " + table.name + ": give either \"rows\" or \"generate\"");
    }
    if (const JsonValue* rows = t.find("rows")) {
        table.rows = RowsFromJson(*rows, table);
    } else {
        GeneratorSettings g = GeneratorFromJson(t["generate"], table.columns, table.name);
        if (rowsOverride)
            g.rows = *rowsOverride;
        if (seedOverride)
            g.seed = *seedOverride;
        table.producer = MakeGenerator(table.columns, g);
    }
    table.deletedRows = Positions(t, "deletedRows");
    table.overflowRows = Positions(t, "overflowRows");
    if (const JsonValue* limit = t.find("inlineLongValueLimit")) {
        long long v = limit->asInteger();
        if (v < 0)
            throw std::runtime_error("table " + table.name + ": negative inlineLongValueLimit");
        table.inlineLongValueLimit = static_cast<std::size_t>(v);
    }
    if (const JsonValue* hidden = t.find("hidden"); hidden && hidden->asBoolean())
        table.catalogFlags = 0x8;
    return table;
}

} // namespace

MdbDescription DescriptionFromJson(const JsonValue& json, std::optional<std::uint64_t> rowsOverride,
                                   std::optional<std::uint64_t> seedOverride) {
    CheckKeys(
        json,
        {"password", "creationDate", "tables", "comment", "format", "codePage", "links", "encryption", "relationships"},
        "description");
    MdbDescription d;
    if (const JsonValue* f = json.find("format")) {
        const std::string format = f->asString();
        if (format == "jet3")
            d.format = FileFormat::Jet3;
        else if (format == "jet4")
            d.format = FileFormat::Jet4;
        else if (format == "ace")
            d.format = FileFormat::Ace14;
        else
            throw std::runtime_error("format must be jet3, jet4 or ace");
    }
    if (const JsonValue* c = json.find("codePage"))
        d.codePage = static_cast<std::uint16_t>(c->asInteger());
    if (const JsonValue* links = json.find("links")) {
        for (const JsonValue& l : links->elements()) {
            LinkDescription link;
            link.name = l["name"].asString();
            CheckKeys(l, {"name", "database", "foreignName", "connect", "odbc", "comment"}, "link " + link.name);
            if (const JsonValue* v = l.find("database"))
                link.database = v->asString();
            if (const JsonValue* v = l.find("foreignName"))
                link.foreignName = v->asString();
            if (const JsonValue* v = l.find("connect"))
                link.connect = v->asString();
            if (const JsonValue* v = l.find("odbc"))
                link.odbc = v->asBoolean();
            d.links.push_back(std::move(link));
        }
    }
    if (const JsonValue* relationships = json.find("relationships"))
        for (const JsonValue& r : relationships->elements())
            d.relationships.push_back(RelationshipFromJson(r));
    if (const JsonValue* p = json.find("password"))
        d.password = p->asString();
    if (const JsonValue* e = json.find("encryption"))
        d.encryption = EncryptionFromJson(*e);
    if (const JsonValue* c = json.find("creationDate")) {
        d.creationDate = c->isString() ? DayNumberFromText(c->asString()) : c->asNumber();
    }
    for (const JsonValue& t : json["tables"].elements())
        d.tables.push_back(TableFromJson(t, rowsOverride, seedOverride));
    return d;
}
