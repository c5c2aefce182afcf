#pragma once
// An in-memory database engine for the engine's tests: tables, rows and
// failures built by the test, opened through the same interfaces as the real
// reader. Databases are registered by path, so code that opens "files" finds
// them without touching the disk.

#include "core/Database.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace memdb {

// One stored value. The Variant's views are pointed at the owned storage each
// time the value is handed out, so copies of a Value never dangle.
struct Value {
    Variant Base;
    std::u16string Text;
    std::vector<uint8_t> Bytes;
    std::vector<std::u16string> Items;
    std::optional<int32_t> FailCode; // reading the value raises this code
};

Value Null();
Value Long(int32_t value);
Value Integer(int16_t value);
Value BigInt(int64_t value);
Value Double(double value);
Value Boolean(bool value);
Value Date(double serial);
Value Currency(int64_t scaledBy10000);
// Bytes 0..255 are taken as the code points U+0000..U+00FF.
Value Text(std::string_view latin1);
Value WideText(std::u16string text);
Value Binary(std::vector<uint8_t> bytes);
Value Failing(int32_t code);

std::u16string Widen(std::string_view latin1);

struct Column {
    std::string Name;
    int16_t Type;
};

struct Table {
    std::string Name;
    std::vector<Column> Columns;
    std::vector<std::vector<Value>> Rows;
    std::optional<int32_t> OpenRecordsetFailure;
    std::optional<int32_t> NameFailure;         // TableDef.Name raises this code
    std::optional<int32_t> RecordCountOverride; // a count that differs from the rows held
    // Non-empty: the table can be read in parts, and row r lies in block
    // RowBlocks[r] (ascending; numbers left out are empty blocks) of Blocks.
    std::vector<int32_t> RowBlocks;
    int32_t Blocks = 0;
    std::optional<int32_t> PartFailure;        // taking a part raises this code
    std::optional<std::size_t> MoveFailureRow; // moving onto this row raises
    std::vector<std::size_t> UnreadableRows;   // passed over by a scan and counted, ascending
    std::optional<TableSchema> Schema;         // what TableDef.Schema() describes; none by default

    Table& Row(std::vector<Value> values);
};

// What a test sees of a database after the code under test used it.
struct Usage {
    int Opens = 0;
    int OpenHandles = 0; // databases opened and not yet released
    int CloseCalls = 0;
    int RecordsetsOpened = 0;
    int RecordsetsClosed = 0;
    std::optional<std::u16string> LastConnect;
    int32_t LastOptions = 0;
    bool LastReadOnly = false;
};

struct File {
    std::vector<Table> Tables; // the TableDefs collection, in this order
    std::string Password;      // empty: none needed
    std::optional<int32_t> OpenFailure;
    std::optional<int32_t> TableDefsFailure;
    std::optional<int32_t> CloseFailure;
    std::vector<RelationshipSchema> Relationships;
    Usage Used;

    Table& AddTable(std::string name, std::vector<Column> columns);
};

// The databases by path. Register replaces an earlier one of the same path.
std::shared_ptr<File> Register(const std::string& path);
std::shared_ptr<File> Find(const std::string& path);
void ClearRegistry();

// DAO's error numbers for what the in-memory engine refuses.
constexpr int32_t kFileNotFound = HResult::DaoError(3024);
constexpr int32_t kBadPassword = HResult::DaoError(3031);
constexpr int32_t kItemNotFound = HResult::DaoError(3265);
constexpr int32_t kNoCurrentRecord = HResult::DaoError(3021);
constexpr int32_t kObjectClosed = HResult::DaoError(3420);
constexpr int32_t kInvalidOperation = HResult::DaoError(3219);

class Engine : public DBEngine {
public:
    std::unique_ptr<Database> OpenDatabase(std::u16string_view name, int32_t options, bool readOnly,
                                           const std::optional<std::u16string>& connect) override;
};

} // namespace memdb
