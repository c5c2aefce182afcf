#include "jet/JetObjects.h"

#include <algorithm>
#include <cstdint>

namespace jet {

JetRecordset::JetRecordset(std::shared_ptr<DatabaseFile> database, const CatalogTable& entry)
    : JetRecordset(std::move(database), entry, 0, 1) {}

JetRecordset::JetRecordset(std::shared_ptr<DatabaseFile> database, const CatalogTable& entry, int32_t first,
                           int32_t stride)
    : database_(std::move(database)), entry_(&entry), longValues_(database_->File()) {
    if (entry.Kind != TableKind::Local) {
        std::u16string description = u"Table '";
        description.append(entry.Name).append(u"' is linked to another database; its records cannot be read.");
        Raise(DaoNumber::NotSupported, std::move(description));
    }
    PageFile& file = database_->File();
    table_ = database_->Definition(entry.DefinitionPage);
    context_ = DecodeContext{file.IsJet3(), file.GetHeader().CodePage, &longValues_, &scratch_};
    layout_.emplace(file.IsJet3(), *table_);
    scan_.emplace(file, *table_);
    if (stride > 1)
        scan_->LimitToPart(static_cast<std::size_t>(first), static_cast<std::size_t>(stride));

    // Complex columns are resolved once: their items for every key at hand
    // before the first record.
    complex_.reserve(table_->Columns.size());
    for (const Column& column : table_->Columns) {
        if (column.IsMemoHistory())
            continue;
        int16_t type = DaoTypeOf(column);
        const ComplexColumn* complex = nullptr;
        if (column.Type == ColumnType::Complex) {
            complex_.push_back(ReadComplexColumn(file, database_->Tables(), table_->Page, column));
            complex = &complex_.back();
            type = complex->DaoType;
        }
        fields_.Items.emplace_back(column, type, &current_);
        fields_.Items.back().Complex = complex;
    }
    Advance();
}

void JetRecordset::CheckOpen() const {
    if (closed_)
        RaiseObjectInvalid();
}

int32_t JetRecordset::RecordCount() const {
    CheckOpen();
    const auto stored = static_cast<int32_t>(table_->RowCount & 0x7FFFFFFF);
    if (stored != 0 || !current_)
        return stored;
    // A stored count of zero for a table that has records is stale, and a
    // zero count means nothing is exported: count the records instead.
    if (!countedRows_) {
        TableScan counter(database_->File(), *table_);
        ByteSpan record;
        int32_t rows = 0;
        while (counter.Next(record) && rows < INT32_MAX)
            ++rows;
        countedRows_ = rows;
    }
    return *countedRows_;
}

void JetRecordset::MoveFirst() {
    CheckOpen();
    scan_->Restart();
    // The count covers one pass: the record read on opening is read again.
    context_.ValuesLeftEmpty = 0;
    Advance();
}

void JetRecordset::MoveNext() {
    CheckOpen();
    if (!current_)
        Raise(DaoNumber::NoCurrentRecord, u"No current record.");
    Advance();
}

int32_t JetRecordset::BlockCount() const {
    CheckOpen();
    return static_cast<int32_t>(std::min<std::size_t>(scan_->BlockCount(), INT32_MAX));
}

std::unique_ptr<Recordset> JetRecordset::Part(int32_t first, int32_t stride) {
    CheckOpen();
    if (stride < 1 || first < 0 || first >= stride)
        Raise(DaoNumber::InvalidOperation, u"Invalid operation.");
    // Pages come through the file's shared cache, which serialises them;
    // everything else a part reads or decodes into is its own.
    return std::make_unique<JetRecordset>(database_, *entry_, first, stride);
}

int32_t JetRecordset::Block() const {
    CheckOpen();
    return static_cast<int32_t>(scan_->Block());
}

const Fields& JetRecordset::GetFields() const {
    CheckOpen();
    return fields_;
}

void JetRecordset::Close() {
    closed_ = true;
    current_ = false;
}

void JetRecordset::Advance() {
    ByteSpan record;
    current_ = false;
    if (!scan_->Next(record))
        return;
    DecodeRecord(record);
    current_ = true;
}

void JetRecordset::DecodeRecord(ByteSpan record) {
    layout_->Load(record);
    for (RecordField& field : fields_.Items) {
        const Column& column = *field.Source();
        const ColumnBytes located = layout_->Locate(column);
        if (!field.Complex) {
            DecodeValue(column, located, context_, field.Current);
            continue;
        }
        Variant& value = field.Current.Value;
        value.Text = {};
        value.Bytes = {};
        value.Items = {};
        if (located.State != Presence::Bytes) {
            value.Type = VarType::Null;
            continue;
        }
        if (located.Bytes.size() != 4)
            RaiseCorrupt("complex value of the wrong size");
        value.Type = VarType::List;
        const auto items = field.Complex->Items.find(I32(located.Bytes, 0));
        if (items != field.Complex->Items.end())
            value.Items = items->second;
    }
}

} // namespace jet
