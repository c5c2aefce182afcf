#pragma once
// The database engine as the conversion sees it: the few DAO objects and
// operations the export relies on. Any Access reader can stand behind them;
// ours lives in jet/. Every failing call throws EngineError.

#include "core/Schema.h"
#include "core/Variant.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// COM result codes the engine and its callers use (named so as not to clash
// with the platform's macros).
namespace HResult {
constexpr int32_t Ok = 0;
constexpr int32_t Fail = static_cast<int32_t>(0x80004005u);
constexpr int32_t Pointer = static_cast<int32_t>(0x80004003u);
constexpr int32_t OutOfMemory = static_cast<int32_t>(0x8007000Eu);
constexpr int32_t InvalidArg = static_cast<int32_t>(0x80070057u);
constexpr int32_t TypeMismatch = static_cast<int32_t>(0x80020005u);
// DAO's own codes are "IDispatch errors" 0x800A0000 + the DAO error number.
constexpr int32_t DaoError(int number) { return static_cast<int32_t>(0x800A0000u + static_cast<uint32_t>(number)); }
} // namespace HResult

// DAO DataTypeEnum codes.
namespace DaoType {
constexpr int16_t Boolean = 1, Byte = 2, Integer = 3, Long = 4, Currency = 5, Single = 6, Double = 7, Date = 8,
                  Binary = 9, Text = 10, LongBinary = 11, Memo = 12, Guid = 15, BigInt = 16, VarBinary = 17, Char = 18,
                  Numeric = 19, Decimal = 20, Float = 21, Time = 22, TimeStamp = 23, Attachment = 101,
                  ComplexByte = 102, ComplexInteger = 103, ComplexLong = 104, ComplexSingle = 105, ComplexDouble = 106,
                  ComplexGuid = 107, ComplexDecimal = 108, ComplexText = 109;
} // namespace DaoType

// The error every failing engine call raises: a COM result code and, when the
// failing object supplies rich error information, its source and description.
class EngineError : public std::exception {
public:
    explicit EngineError(int32_t code) : Code(code) {}
    EngineError(int32_t code, std::u16string source, std::u16string description)
        : Code(code), Source(std::move(source)), Description(std::move(description)) {}
    const char* what() const noexcept override { return "database engine error"; }

    int32_t Code;
    std::optional<std::u16string> Source; // empty: no error information
    std::optional<std::u16string> Description;
};

// A text value as the reader stores it, for a writer that can turn those
// bytes into its own without first widening them to UTF-16.
struct StoredText {
    enum class Form : uint8_t {
        Utf16, // UTF-16LE units
        // 0xFF 0xFE, then runs of one-byte units (Latin-1) and of UTF-16LE
        // units, one-byte first; each zero byte where a unit would begin
        // switches to the other kind.
        Compressed,
    };
    Form Encoding = Form::Utf16;
    std::span<const uint8_t> Bytes;
};

// One file of an attachment value: its name and extension as stored, and
// its bytes, unpacked where they were stored deflated.
struct AttachedFile {
    std::u16string Name;
    std::u16string Type;
    std::vector<uint8_t> Data;
};

class Field {
public:
    virtual ~Field() = default;
    virtual std::u16string_view Name() const = 0;
    virtual int16_t Type() const = 0;
    // Only fields of a recordset have a value; the value's views stay valid
    // until the recordset moves.
    virtual const Variant& Value() const = 0;
    // The current value's stored form when it is a text the reader can hand
    // out undecoded (every character is the value's, NUL included);
    // false for anything else, NULL included: Value() then gives it. The
    // bytes stay valid until the recordset moves. Should they be malformed
    // all the same, a writer that finds them so takes Value(), which raises
    // the reader's error.
    virtual bool StoredTextValue(StoredText& out) const {
        (void)out;
        return false;
    }
    // The files of the current value of an attachment field, in the order
    // Value() names them (its Items); false for any other field. The data is
    // read only here, so a writer that wants the names alone never pays for
    // it. Raises EngineError when the data cannot be read.
    virtual bool AttachedFiles(std::vector<AttachedFile>& out) const {
        (void)out;
        return false;
    }
};

class Fields {
public:
    virtual ~Fields() = default;
    virtual int16_t Count() const = 0;
    virtual const Field& Item(int32_t index) const = 0;
};

class TableDef {
public:
    virtual ~TableDef() = default;
    virtual std::u16string_view Name() const = 0;
    virtual const Fields& GetFields() const = 0;
    // The table's columns, keys and indexes; none from a reader that cannot
    // tell. Raises EngineError when the definition cannot be read.
    virtual std::optional<TableSchema> Schema() const { return std::nullopt; }
};

class TableDefs {
public:
    virtual ~TableDefs() = default;
    virtual int16_t Count() const = 0;
    virtual std::shared_ptr<TableDef> Item(int32_t index) const = 0;
    virtual std::shared_ptr<TableDef> Item(std::u16string_view name) const = 0;
};

class Recordset {
public:
    virtual ~Recordset() = default;
    virtual int32_t RecordCount() const = 0;
    virtual void MoveFirst() = 0;
    virtual void MoveNext() = 0;
    virtual bool Eof() const = 0;
    virtual const Fields& GetFields() const = 0;
    virtual void Close() = 0;
    // Values the reader could not decode and presented as NULL so that the
    // rest of the record survives (a damaged calculated result, a broken
    // long-value chain); the export tells the user how many.
    virtual int64_t ValuesLeftEmpty() const { return 0; }
    // Rows the scan passed over because they could not be read (a damaged
    // page, a row outside its page, a record that does not decode), counted
    // apart from rows that are simply not there (deleted, or never written):
    // only these mean the table lost data. Counted over one pass from the first record.
    virtual int64_t RowsUnreadable() const { return 0; }

    // Reading in parts, one thread each. The records fall into consecutive
    // blocks in their own order; a part delivers the blocks first, first +
    // stride, first + 2 stride, ... and nothing else, so that parts 0..stride-1
    // together hold every record once. Parts are taken before any of them is
    // used, may then be used on other threads at the same time, and must not
    // outlive the database. No parts (BlockCount 0, Part null): the records
    // are read in one piece.
    virtual int32_t BlockCount() const { return 0; }
    virtual std::unique_ptr<Recordset> Part(int32_t first, int32_t stride) {
        (void)first;
        (void)stride;
        return nullptr;
    }
    // The block of the current record; after a move that failed, the block
    // the move failed in.
    virtual int32_t Block() const { return 0; }
};

class Database {
public:
    virtual ~Database() = default;
    virtual void Close() = 0;
    virtual std::shared_ptr<TableDefs> GetTableDefs() = 0;
    virtual std::unique_ptr<Recordset> OpenRecordset(std::u16string_view name) = 0;
    // The records of exactly this table definition (one taken from this
    // database's TableDefs). A name may be shared, differing in case only, by
    // two entries of a damaged catalog: this reads the entry itself. An
    // engine whose names are unique may go by the name.
    virtual std::unique_ptr<Recordset> OpenRecordsetOf(const TableDef& table) { return OpenRecordset(table.Name()); }
    // Every relationship the database stores, in its own order. Raises
    // EngineError when they are stored but cannot be read.
    virtual std::vector<RelationshipSchema> Relationships() { return {}; }
};

// What the run tells the engine beyond DAO's open arguments.
struct OpenOptions {
    // Folders searched, in order, for the file of a linked table after its
    // stored path and the linking database's own folder.
    std::vector<std::u16string> LinkFolders;
    // False: linked tables are not followed; each fails when it is read.
    bool FollowLinks = true;
    // Non-zero once the run is asked to stop: long work inside the engine
    // (deriving a key) gives up with an error. May be null; must outlive the
    // database.
    const std::atomic<int32_t>* StopRequested = nullptr;
};

class DBEngine {
public:
    virtual ~DBEngine() = default;
    // connect: ";pwd=..." or none for the engine's default.
    virtual std::unique_ptr<Database> OpenDatabase(std::u16string_view name, int32_t options, bool readOnly,
                                                   const std::optional<std::u16string>& connect) = 0;
    // The same with the run's options; an engine without links or long work
    // may ignore them.
    virtual std::unique_ptr<Database> OpenDatabaseWith(std::u16string_view name, int32_t options, bool readOnly,
                                                       const std::optional<std::u16string>& connect,
                                                       const OpenOptions& open) {
        (void)open;
        return OpenDatabase(name, options, readOnly, connect);
    }
};

// Creates the engine of this build (Jet-only or Jet + ACE). Each deliverable
// links exactly one definition; tests link their own.
std::unique_ptr<DBEngine> CreateDBEngine();
