#pragma once
// The DAO-shaped objects of our reader: database, table definitions,
// fields and recordsets over a shared DatabaseFile.

#include "jet/ComplexColumns.h"
#include "jet/DatabaseFile.h"
#include "jet/RecordLayout.h"
#include "jet/TableScan.h"
#include "jet/Values.h"

#include "core/Database.h"

#include <memory>
#include <optional>
#include <vector>

namespace jet {

// A column a table shows as a field, with the type the field reports.
struct FieldColumn {
    const Column* Definition;
    int16_t Type;
};

// A definition's columns in field order, as its fields and its schema show
// them: the history of an append-only memo is reached through the memo.
std::vector<FieldColumn> FieldColumnsOf(DatabaseFile& database, const TableDefinition& table);

// A field of a table definition: a name and a type, no value.
class DefinitionField : public Field {
public:
    DefinitionField(std::u16string name, int16_t type) : name_(std::move(name)), type_(type) {}
    std::u16string_view Name() const override { return name_; }
    int16_t Type() const override { return type_; }
    const Variant& Value() const override;

private:
    std::u16string name_;
    int16_t type_;
};

template <typename T>
class FieldList : public Fields {
public:
    std::vector<T> Items;
    int16_t Count() const override { return static_cast<int16_t>(Items.size()); }
    const Field& Item(int32_t index) const override;
};

class JetTableDef : public TableDef {
public:
    JetTableDef(std::shared_ptr<DatabaseFile> database, const CatalogTable& entry)
        : database_(std::move(database)), entry_(entry) {}
    std::u16string_view Name() const override { return entry_.Name; }
    const Fields& GetFields() const override;
    std::optional<TableSchema> Schema() const override;
    const CatalogTable& Entry() const { return entry_; }
    const DatabaseFile* Owner() const { return database_.get(); }

private:
    std::shared_ptr<DatabaseFile> database_;
    const CatalogTable& entry_;
};

class JetTableDefs : public TableDefs {
public:
    explicit JetTableDefs(std::shared_ptr<DatabaseFile> database) : database_(std::move(database)) {}
    int16_t Count() const override;
    std::shared_ptr<TableDef> Item(int32_t index) const override;
    std::shared_ptr<TableDef> Item(std::u16string_view name) const override;

private:
    std::shared_ptr<DatabaseFile> database_;
};

class JetRecordset;

[[noreturn]] void RaiseObjectInvalid();

// How a value is readied, chosen once per table so that the common
// kinds take no general decoding on each record.
enum class Readying : uint8_t {
    // A fixed number of its type's size, read in place: one kind per
    // width and representation.
    Byte,
    Integer,
    Long,
    Single,
    Int64,   // big integers, currency
    Real,    // doubles, dates
    Boolean, // the mask bit
    Text,    // text in the record: located and (Jet4+) checked
    Memo,    // a memo: its long value read and (Jet4+) checked
    Complex, // items looked up by key
    Other,   // the general decoder
};

// A field of the recordset's current record. Its value is decoded when it is
// first asked for, so the columns an export leaves out are never decoded.
class RecordField : public Field {
public:
    RecordField(const Column& column, int16_t type, JetRecordset& records)
        : column_(&column), type_(type), records_(&records),
          plainText_((column.Type == ColumnType::Text || column.Type == ColumnType::Memo) && !column.IsCalculated()) {}
    std::u16string_view Name() const override { return column_->Name; }
    int16_t Type() const override { return type_; }
    const Variant& Value() const override;
    bool StoredTextValue(StoredText& out) const override;
    bool AttachedFiles(std::vector<AttachedFile>& out) const override;

    const ComplexColumn* Complex = nullptr;
    const Column* Source() const { return column_; }

private:
    friend class JetRecordset;

    const Column* column_;
    int16_t type_;
    JetRecordset* records_;
    bool plainText_; // a text or memo column, not calculated: readied undecoded
    Readying readying_ = Readying::Other;
    VarType numberType_ = VarType::Null; // numbers: the value's type
    ColumnPlace place_;
    bool wanted_ = false; // asked for before: readied with the others on each record
    // The record (its serial number) whose value this holds: located and
    // checked, and also decoded into current_.
    mutable uint64_t readied_ = 0;
    mutable uint64_t decoded_ = 0;
    mutable bool hasStored_ = false;  // a text whose stored bytes are in stored_
    mutable bool compressed_ = false; // those bytes begin with the compression marker
    mutable ByteSpan stored_;
    mutable FieldValue current_;
};

class JetRecordset : public Recordset {
public:
    JetRecordset(std::shared_ptr<DatabaseFile> database, const CatalogTable& entry);
    // One part of the table's records: blocks first, first + stride, ...
    JetRecordset(std::shared_ptr<DatabaseFile> database, const CatalogTable& entry, int32_t first, int32_t stride);
    // The decode context and the fields point into this object's own members.
    JetRecordset(const JetRecordset&) = delete;
    JetRecordset& operator=(const JetRecordset&) = delete;
    int32_t RecordCount() const override;
    void MoveFirst() override;
    void MoveNext() override;
    bool Eof() const override { return !current_; }
    const Fields& GetFields() const override;
    void Close() override;
    int64_t ValuesLeftEmpty() const override { return context_.ValuesLeftEmpty; }
    int64_t RowsUnreadable() const override { return scan_->Unreadable(); }
    int32_t BlockCount() const override;
    std::unique_ptr<Recordset> Part(int32_t first, int32_t stride) override;
    int32_t Block() const override;

private:
    friend class RecordField;

    void CheckOpen() const {
        if (closed_)
            RaiseObjectInvalid();
    }
    void Advance();
    void DecodeRecord(ByteSpan record);
    // Raises NoCurrentRecord when there is none, and readies the fields
    // asked for before: a damaged value among them fails the record before
    // any of its cells is written, as when every value was decoded on moving.
    void BeginField() {
        if (!current_)
            RaiseNoCurrentRecord();
        if (readyWanted_)
            ReadyWanted();
    }
    [[noreturn]] static void RaiseNoCurrentRecord();
    void ReadyWanted();
    // Locates and checks the field's value (counting one left empty); texts
    // are left undecoded.
    void Ready(const RecordField& field);
    void ReadyValue(const RecordField& field, uint64_t record);
    void ReadyText(const RecordField& field);
    void ReadyMemo(const RecordField& field);
    // A located text's bytes (a memo's once read), checked and kept undecoded.
    void HoldStoredText(const RecordField& field, ByteSpan stored);
    void ReadyNull(const RecordField& field);
    void ReadyComplex(const RecordField& field);
    void ReadyOther(const RecordField& field);
    void Want(const RecordField& field);
    static Readying ReadyingOf(const Column& column, const ColumnPlace& place, VarType& numberType);
    void Decode(const RecordField& field);

    std::shared_ptr<DatabaseFile> database_;
    const CatalogTable* entry_;
    std::shared_ptr<const TableDefinition> table_;
    std::vector<ComplexColumn> complex_;
    std::optional<TableScan> scan_;
    std::optional<RecordLayout> layout_;
    LongValueReader longValues_;
    std::vector<uint8_t> scratch_;
    DecodeContext context_;
    FieldList<RecordField> fields_;
    std::vector<const RecordField*> wanted_; // the fields asked for, in field order
    uint64_t record_ = 0;                    // serial number of the current record
    bool readyWanted_ = false;               // the wanted fields still to be readied
    bool current_ = false;
    bool closed_ = false;
    mutable std::optional<int32_t> countedRows_;
};

class JetDatabase : public Database {
public:
    explicit JetDatabase(std::shared_ptr<DatabaseFile> database) : database_(std::move(database)) {}
    void Close() override { database_.reset(); }
    std::shared_ptr<TableDefs> GetTableDefs() override;
    std::unique_ptr<Recordset> OpenRecordset(std::u16string_view name) override;
    std::unique_ptr<Recordset> OpenRecordsetOf(const TableDef& table) override;
    std::vector<RelationshipSchema> Relationships() override;

private:
    const std::shared_ptr<DatabaseFile>& Open() const;
    std::shared_ptr<DatabaseFile> database_;
};

} // namespace jet
