#pragma once
// What the fixture writer is asked to produce: tables, their columns and their
// rows. Rows come either as explicit values or from a seeded generator, so a
// million-row table never has to exist in memory.

#include "tools/mkdb/Encryption.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// On-disk Jet type codes.
enum class JetType : std::uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    OLE = 0x0B,
    Memo = 0x0C,
    GUID = 0x0F,
    Decimal = 0x10,
    // ACE complex column; the fixture writer makes attachment columns of it.
    Complex = 0x12,
};

// Accepts the names used by the expected-result files (boolean, byte, integer,
// long, currency, float, double, datetime, binary, text, ole, memo, repid,
// numeric) and a few common aliases; throws std::runtime_error otherwise.
JetType JetTypeFromName(const std::string& name);
const char* JetTypeName(JetType type);
bool IsVariableLength(JetType type);
bool IsLongValue(JetType type); // memo and OLE

// A value as given by the caller, converted to the column's type on writing:
// Integer/Real/Text for numbers (Text keeps decimals exact), Text for text,
// dates ("YYYY-MM-DD[ HH:MM:SS[.mmm]]", or a Real day number) and GUIDs
// ("{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"), Bytes for binary and OLE.
// One file of an attachment cell: stored deflated (Access does so for most
// kinds of file) or as it is.
struct AttachmentFile {
    std::string name; // UTF-8; the extension after its last "." is stored beside it
    std::string data;
    bool compressed = true;
};

struct CellValue {
    enum class Kind { Null, Boolean, Integer, Real, Text, Bytes, Files };
    Kind kind = Kind::Null;
    bool boolean = false;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;                  // UTF-8 text, decimal digits, or raw bytes
    std::vector<AttachmentFile> files; // an attachment cell's, in their order

    static CellValue null() { return {}; }
    static CellValue fromBool(bool v) {
        CellValue c;
        c.kind = Kind::Boolean;
        c.boolean = v;
        return c;
    }
    static CellValue fromInt(std::int64_t v) {
        CellValue c;
        c.kind = Kind::Integer;
        c.integer = v;
        return c;
    }
    static CellValue fromReal(double v) {
        CellValue c;
        c.kind = Kind::Real;
        c.real = v;
        return c;
    }
    static CellValue fromText(std::string v) {
        CellValue c;
        c.kind = Kind::Text;
        c.text = std::move(v);
        return c;
    }
    static CellValue fromBytes(std::string v) {
        CellValue c;
        c.kind = Kind::Bytes;
        c.text = std::move(v);
        return c;
    }
    static CellValue fromFiles(std::vector<AttachmentFile> v) {
        CellValue c;
        c.kind = Kind::Files;
        c.files = std::move(v);
        return c;
    }
};

struct ColumnSpec {
    std::string name;
    JetType type = JetType::Long;
    // Text: maximum characters (default 255). Binary: maximum bytes (default 255).
    int size = 0;
    int precision = 18;      // decimal only
    int scale = 0;           // decimal only
    bool autonumber = false; // long only: flagged as autonumber; values still come from the rows
    // Calculated column (ACE files only): the type of the expression's result,
    // kept in the column's properties; `type` is what the descriptor says.
    // Values are the results, stored in the engine's envelope; a Bytes value
    // is stored exactly as given, so odd stored forms can be written too.
    std::optional<JetType> calculatedResult = std::nullopt;
    // Complex columns: the id tying the column to its catalog row (set by the writer).
    std::int32_t complexId = 0;
};

// An index as the table definition describes it (Jet4 and ACE files): one
// logical index on a real index of its own. No index pages are written, so
// nothing reads rows through it; the definition states the key.
struct IndexSpec {
    std::string name;
    std::vector<std::string> columns;
    std::vector<bool> descending; // per column
    bool primary = false;
    bool unique = false;
};

// A row group of the relationship catalog: `table`'s columns refer to
// `referencedTable`'s, pair by pair.
struct RelationshipSpec {
    std::string name;
    std::string table;
    std::vector<std::string> columns;
    std::string referencedTable;
    std::vector<std::string> referencedColumns;
    bool enforced = true;
    bool cascadeUpdate = false;
    bool cascadeDelete = false;
};

// Produces rows one at a time; returns false when there are no more.
using RowProducer = std::function<bool(std::vector<CellValue>& row)>;

struct TableSpec {
    std::string name;
    std::vector<ColumnSpec> columns;
    std::vector<std::vector<CellValue>> rows; // used when `producer` is empty
    RowProducer producer;
    // Row positions (0-based, in the order given) that are written and then
    // marked deleted, as a database that had rows removed holds them.
    std::vector<std::size_t> deletedRows;
    // Row positions whose data is moved to another page behind an overflow
    // pointer, as after an update that made the row grow.
    std::vector<std::size_t> overflowRows;
    // Long values up to this many bytes are stored inside the row; longer ones
    // on LVAL pages (one row, or a chain when they exceed one page).
    std::size_t inlineLongValueLimit = 64;
    // Hidden or system flags for the catalog entry (0 = ordinary user table).
    std::uint32_t catalogFlags = 0;
    std::vector<IndexSpec> indexes = {};
};

// A catalog entry for a table whose rows live elsewhere.
struct LinkDescription {
    std::string name;
    std::string database;    // path of the other Access file, as stored
    std::string foreignName; // the table's name there
    std::string connect;     // connect text (";DATABASE=..." style for Access links)
    bool odbc = false;       // an ODBC link (catalog type 4) instead of an Access one (type 6)
};

enum class FileFormat { Jet3, Jet4, Ace14 };

struct MdbDescription {
    FileFormat format = FileFormat::Jet4;
    // Jet3 only: the code page of every text, name and memo.
    std::uint16_t codePage = 1252;
    std::vector<TableSpec> tables;
    std::vector<LinkDescription> links = {};
    // Written as the rows of a system table MSysRelationships.
    std::vector<RelationshipSpec> relationships = {};
    std::string password; // empty = none; at most 20 characters
    // Header creation date as a day number; it also keys the password mask.
    double creationDate = 45000.5;
    // Set: the file is written as an encrypted ACE database instead (then
    // `password` stays empty: the encryption's password protects it).
    std::optional<mkdb::EncryptionSettings> encryption;
};

// Writes a Jet 4 .mdb (or the description's other format; an encrypted .accdb when `encryption` is set).
// Throws std::runtime_error on an invalid description
// (unknown value form, value out of range, a row too large for a page, ...).
void WriteMdb(const MdbDescription& description, const std::string& path);
std::vector<std::uint8_t> WriteMdbToMemory(const MdbDescription& description);
