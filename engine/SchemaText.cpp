#include "engine/SchemaText.h"

#include "core/Database.h"
#include "engine/Utf8Text.h"

#include <algorithm>
#include <cctype>
#include <functional>

namespace {

std::string Utf8(std::u16string_view text) {
    std::string out;
    AppendUtf8(text, out);
    return out;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Names are quoted always: Access allows spaces, punctuation and reserved
// words in them, and the quote doubles inside.
std::string Quote(SqlDialect dialect, std::u16string_view name) {
    const char quote = dialect == SqlDialect::MySql ? '`' : '"';
    std::string out(1, quote);
    for (char c : Utf8(name)) {
        // A NUL cannot be part of an identifier in any of the three.
        if (c == '\0')
            continue;
        out.push_back(c);
        if (c == quote)
            out.push_back(quote);
    }
    out.push_back(quote);
    return out;
}

// A name inside a comment must not end the comment: a line break in it
// would turn the rest of the name into a statement.
std::string CommentText(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return text;
}

std::string Literal(std::string_view text, SqlDialect dialect) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "''";
        else if (c == '\\' && dialect == SqlDialect::MySql)
            out += "\\\\";
        else
            out.push_back(c);
    }
    return out + "'";
}

bool IsNumber(std::string_view text) {
    std::size_t k = 0;
    if (k < text.size() && (text[k] == '-' || text[k] == '+'))
        ++k;
    bool digits = false, point = false;
    for (; k < text.size(); ++k) {
        if (std::isdigit(static_cast<unsigned char>(text[k])))
            digits = true;
        else if (text[k] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digits;
}

bool IsTextual(int16_t type) { return type == DaoType::Text || type == DaoType::Memo || type == DaoType::Char; }

bool IsNumeric(int16_t type) {
    switch (type) {
    case DaoType::Byte:
    case DaoType::Integer:
    case DaoType::Long:
    case DaoType::BigInt:
    case DaoType::Currency:
    case DaoType::Single:
    case DaoType::Double:
    case DaoType::Decimal:
    case DaoType::Numeric:
    case DaoType::Float: return true;
    default: return false;
    }
}

// Only defaults whose meaning is the same in SQL: plain numbers, quoted
// texts and the yes/no words. An expression (Now(), Date()+1) has no
// faithful counterpart and is left out rather than guessed.
std::optional<std::string> DefaultClause(SqlDialect dialect, const ColumnSchema& column) {
    if (!column.Default)
        return std::nullopt;
    std::string value = Utf8(*column.Default);
    if (!value.empty() && value[0] == '=')
        value.erase(0, 1);
    while (!value.empty() && value.front() == ' ')
        value.erase(0, 1);
    while (!value.empty() && value.back() == ' ')
        value.pop_back();
    if (column.Type == DaoType::Boolean) {
        const std::string word = Lower(value);
        const bool yes = word == "true" || word == "yes" || word == "on" || word == "-1";
        const bool no = word == "false" || word == "no" || word == "off" || word == "0";
        if (!yes && !no)
            return std::nullopt;
        if (dialect == SqlDialect::Postgres)
            return std::string(yes ? "TRUE" : "FALSE");
        return std::string(yes ? "1" : "0");
    }
    if (IsNumeric(column.Type) && IsNumber(value))
        return value;
    if (IsTextual(column.Type) && value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        const char quote = value.front();
        std::string inner;
        for (std::size_t k = 1; k + 1 < value.size(); ++k) {
            // The doubled quote is the quote itself; a lone one ends the text
            // early, so the whole is an expression.
            if (value[k] == quote) {
                if (k + 2 < value.size() && value[k + 1] == quote) {
                    inner.push_back(quote);
                    ++k;
                    continue;
                }
                return std::nullopt;
            }
            inner.push_back(value[k]);
        }
        // MySQL cannot give a TEXT column a default.
        if (dialect == SqlDialect::MySql && column.Type != DaoType::Text)
            return std::nullopt;
        return Literal(inner, dialect);
    }
    return std::nullopt;
}

const IndexSchema* PrimaryKey(const TableSchema& table) {
    for (const IndexSchema& index : table.Indexes)
        if (index.Primary)
            return &index;
    return nullptr;
}

// The single-column primary key an autonumber can be declared on.
bool IsSoleKey(const TableSchema& table, const ColumnSchema& column) {
    const IndexSchema* key = PrimaryKey(table);
    return key && key->Columns.size() == 1 && key->Columns[0].Name == column.Name;
}

bool LeadsAnIndex(const TableSchema& table, const ColumnSchema& column) {
    return std::any_of(table.Indexes.begin(), table.Indexes.end(), [&](const IndexSchema& index) {
        return !index.Columns.empty() && index.Columns[0].Name == column.Name;
    });
}

bool InAnIndex(const TableSchema& table, const ColumnSchema& column) {
    return std::any_of(table.Indexes.begin(), table.Indexes.end(), [&](const IndexSchema& index) {
        return std::any_of(index.Columns.begin(), index.Columns.end(),
                           [&](const IndexColumn& c) { return c.Name == column.Name; });
    });
}

// MySQL's InnoDB refuses a table whose longest row could not fit in half a
// page (8126 bytes), counting a VARCHAR at four bytes a character: an
// Access table of many Text columns passes that easily. Such a table keeps
// its texts outside the row (TEXT) but for those an index needs in it.
bool MySqlRowTooWide(const TableSchema& table) {
    std::size_t bytes = 0;
    for (const ColumnSchema& column : table.Columns)
        bytes += column.Type == DaoType::Text || column.Type == DaoType::Char
                     ? 4 * static_cast<std::size_t>(column.Size > 0 ? column.Size : 255) + 2
                     : 8;
    return bytes > 8000;
}

// MySQL indexes a TEXT or BLOB column only by a leading part of its values;
// a unique index keeps the whole (MariaDB checks it through a hash).
bool IsLongInMySql(const TableSchema& table, std::u16string_view name) {
    for (const ColumnSchema& column : table.Columns)
        if (column.Name == name) {
            const std::string type = SqlType(SqlDialect::MySql, column);
            return type.find("TEXT") != std::string::npos || type.find("BLOB") != std::string::npos;
        }
    return false;
}

std::string ColumnList(SqlDialect dialect, const std::vector<std::u16string>& names) {
    std::string out;
    for (const std::u16string& name : names)
        out += (out.empty() ? "" : ", ") + Quote(dialect, name);
    return out;
}

std::string ForeignKey(SqlDialect dialect, const RelationshipSchema& r) {
    std::string out = "CONSTRAINT " + Quote(dialect, r.Name) + " FOREIGN KEY (" + ColumnList(dialect, r.Columns) +
                      ") REFERENCES " + Quote(dialect, r.ReferencedTable) + " (" +
                      ColumnList(dialect, r.ReferencedColumns) + ")";
    if (r.CascadeUpdate)
        out += " ON UPDATE CASCADE";
    if (r.CascadeDelete)
        out += " ON DELETE CASCADE";
    return out;
}

bool Selected(const std::vector<TableSchema>& tables, std::u16string_view name) {
    return std::any_of(tables.begin(), tables.end(), [&](const TableSchema& t) { return t.Name == name; });
}

} // namespace

std::optional<SqlDialect> ParseSqlDialect(std::string_view name) {
    const std::string word = Lower(name);
    if (word == "sqlite")
        return SqlDialect::Sqlite;
    if (word == "postgres" || word == "postgresql")
        return SqlDialect::Postgres;
    if (word == "mysql" || word == "mariadb")
        return SqlDialect::MySql;
    return std::nullopt;
}

std::string SqlType(SqlDialect dialect, const ColumnSchema& column) {
    const bool sqlite = dialect == SqlDialect::Sqlite, postgres = dialect == SqlDialect::Postgres;
    switch (column.Type) {
    case DaoType::Boolean: return sqlite ? "INTEGER" : "BOOLEAN";
    case DaoType::Byte: return sqlite ? "INTEGER" : postgres ? "SMALLINT" : "TINYINT UNSIGNED";
    case DaoType::Integer: return sqlite ? "INTEGER" : "SMALLINT";
    case DaoType::Long: return sqlite ? "INTEGER" : postgres ? "INTEGER" : "INT";
    case DaoType::BigInt: return sqlite ? "INTEGER" : "BIGINT";
    case DaoType::Currency: return sqlite ? "NUMERIC" : postgres ? "NUMERIC(19,4)" : "DECIMAL(19,4)";
    case DaoType::Single: return sqlite ? "REAL" : postgres ? "REAL" : "FLOAT";
    case DaoType::Double: return sqlite ? "REAL" : postgres ? "DOUBLE PRECISION" : "DOUBLE";
    case DaoType::Date: return sqlite ? "TEXT" : postgres ? "TIMESTAMP" : "DATETIME";
    case DaoType::TimeStamp: // extended dates carry 100-nanosecond ticks
        return sqlite ? "TEXT" : postgres ? "TIMESTAMP" : "DATETIME(6)";
    case DaoType::Decimal:
    case DaoType::Numeric: {
        // Access allows precision 1..28; a stored 0 means the default 18.
        const int precision = column.Precision == 0 ? 18 : column.Precision;
        const int scale = std::min<int>(column.Scale, precision);
        const std::string size = "(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
        return sqlite ? "NUMERIC" : (postgres ? "NUMERIC" : "DECIMAL") + size;
    }
    case DaoType::Text:
    case DaoType::Char:
        if (sqlite)
            return "TEXT";
        return column.Size > 0 ? "VARCHAR(" + std::to_string(column.Size) + ")" : std::string("VARCHAR(255)");
    case DaoType::Guid:
        // The CSV writes a GUID in braces, which PostgreSQL's uuid also reads.
        return sqlite ? "TEXT" : postgres ? "UUID" : "CHAR(38)";
    case DaoType::Binary:
    case DaoType::VarBinary:
        if (sqlite)
            return "BLOB";
        if (postgres)
            return "BYTEA";
        return column.Size > 0 ? "VARBINARY(" + std::to_string(column.Size) + ")" : std::string("LONGBLOB");
    case DaoType::LongBinary: return sqlite ? "BLOB" : postgres ? "BYTEA" : "LONGBLOB";
    default:
        // Memo, hyperlink, and the multi-valued and attachment fields, whose
        // cells the conversion writes as text.
        return sqlite || postgres ? "TEXT" : "LONGTEXT";
    }
}

std::string QuotedName(SqlDialect dialect, std::u16string_view name) { return Quote(dialect, name); }

std::string TableStatements(SqlDialect dialect, const TableSchema& table,
                            const std::vector<RelationshipSchema>& relationships,
                            const std::function<bool(std::u16string_view)>& referable) {
    std::string out = "CREATE TABLE " + Quote(dialect, table.Name) + " (\n";
    std::vector<std::string> lines;
    bool keyInline = false;
    const bool wideRow = dialect == SqlDialect::MySql && MySqlRowTooWide(table);
    for (const ColumnSchema& column : table.Columns) {
        std::string line = "  " + Quote(dialect, column.Name) + " ";
        if (column.AutoNumber && column.Type == DaoType::Long) {
            if (dialect == SqlDialect::Sqlite && IsSoleKey(table, column)) {
                line += "INTEGER PRIMARY KEY AUTOINCREMENT";
                keyInline = true;
                lines.push_back(line);
                continue;
            }
            if (dialect == SqlDialect::Postgres) {
                line += "INTEGER GENERATED BY DEFAULT AS IDENTITY";
                lines.push_back(line);
                continue;
            }
            line += SqlType(dialect, column);
            // MySQL refuses an automatic column that leads no index.
            if (dialect == SqlDialect::MySql && LeadsAnIndex(table, column))
                line += " NOT NULL AUTO_INCREMENT";
            else if (column.Required)
                line += " NOT NULL";
            lines.push_back(line);
            continue;
        }
        const bool offRow =
            wideRow && (column.Type == DaoType::Text || column.Type == DaoType::Char) && !InAnIndex(table, column);
        line += offRow ? "TEXT" : SqlType(dialect, column);
        if (column.Required)
            line += " NOT NULL";
        if (const auto value = DefaultClause(dialect, column); value && !offRow)
            line += " DEFAULT " + *value;
        lines.push_back(line);
    }
    if (const IndexSchema* key = PrimaryKey(table); key && !keyInline) {
        std::vector<std::u16string> names;
        for (const IndexColumn& c : key->Columns)
            names.push_back(c.Name);
        lines.push_back("  PRIMARY KEY (" + ColumnList(dialect, names) + ")");
    }
    if (dialect == SqlDialect::Sqlite)
        for (const RelationshipSchema& r : relationships)
            if (r.Enforced && r.Table == table.Name && referable(r.ReferencedTable))
                lines.push_back("  " + ForeignKey(dialect, r));
    for (std::size_t k = 0; k < lines.size(); ++k)
        out += lines[k] + (k + 1 < lines.size() ? ",\n" : "\n");
    out += dialect == SqlDialect::MySql ? ") CHARACTER SET utf8mb4;\n" : ");\n";
    for (const IndexSchema& index : table.Indexes) {
        if (index.Primary)
            continue;
        // Index names share one namespace per schema in PostgreSQL and
        // SQLite; the table's name keeps them apart.
        std::u16string name = table.Name + u"_" + index.Name;
        out += std::string(index.Unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + Quote(dialect, name) + " ON " +
               Quote(dialect, table.Name) + " (";
        for (std::size_t k = 0; k < index.Columns.size(); ++k)
            out +=
                (k ? ", " : "") + Quote(dialect, index.Columns[k].Name) +
                (dialect == SqlDialect::MySql && !index.Unique && IsLongInMySql(table, index.Columns[k].Name) ? "(255)"
                                                                                                              : "") +
                (index.Columns[k].Descending ? " DESC" : "");
        out += ");\n";
    }
    return out;
}

std::string ForeignKeyStatements(SqlDialect dialect, const std::vector<RelationshipSchema>& relationships,
                                 const std::function<bool(std::u16string_view)>& selected) {
    std::string out;
    for (const RelationshipSchema& r : relationships) {
        if (!selected(r.Table) || !selected(r.ReferencedTable))
            continue;
        if (!r.Enforced) {
            std::string columns;
            for (const std::u16string& column : r.Columns)
                columns += (columns.empty() ? "" : ", ") + Utf8(column);
            out += "-- not enforced in the database: " +
                   CommentText(Utf8(r.Table) + " (" + columns + ") refers to " + Utf8(r.ReferencedTable)) + "\n";
            continue;
        }
        if (dialect != SqlDialect::Sqlite)
            out += "ALTER TABLE " + Quote(dialect, r.Table) + " ADD " + ForeignKey(dialect, r) + ";\n";
    }
    return out;
}

std::string SchemaText(SqlDialect dialect, const std::vector<TableSchema>& tables,
                       const std::vector<RelationshipSchema>& relationships) {
    const auto selected = [&](std::u16string_view name) { return Selected(tables, name); };
    std::string out;
    for (const TableSchema& table : tables)
        out += TableStatements(dialect, table, relationships, selected) + "\n";
    return out + ForeignKeyStatements(dialect, relationships, selected);
}
