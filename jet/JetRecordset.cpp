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
        fields_.Items.emplace_back(column, type, *this);
        fields_.Items.back().Complex = complex;
    }
    Advance();
    // The first record is checked whole, so that a damaged one fails the
    // opening as it always did; it asks for no field in particular. Texts
    // are located and checked but not widened: a memo of a hundred
    // megabytes would take three times that as UTF-16 for nothing.
    if (current_) {
        for (const RecordField& field : fields_.Items) {
            if (field.plainText_ && !context_.Jet3)
                Ready(field);
            else
                Decode(field);
        }
        for (RecordField& field : fields_.Items)
            field.wanted_ = false;
        wanted_.clear();
    }
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
        // Unreadable rows were rows once: the count says how many to expect.
        rows = static_cast<int32_t>(std::min<int64_t>(INT32_MAX, rows + counter.Unreadable()));
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
    while (scan_->Next(record)) {
        try {
            DecodeRecord(record);
        } catch (const EngineError&) {
            // A record whose frame does not load is lost, not the rows after it.
            scan_->Skip();
            continue;
        }
        current_ = true;
        return;
    }
}

void JetRecordset::DecodeRecord(ByteSpan record) {
    // A new serial first: values kept from the last record must not pass for
    // this one's, even when its frame does not load.
    ++record_;
    readyWanted_ = true;
    layout_->Load(record);
}

void JetRecordset::RaiseNoCurrentRecord() { Raise(DaoNumber::NoCurrentRecord, u"No current record."); }

void JetRecordset::ReadyWanted() {
    readyWanted_ = false;
    for (const std::size_t index : wanted_) {
        const RecordField& field = fields_.Items[index];
        if (field.readied_ != record_)
            Ready(field);
    }
}

void JetRecordset::Ready(const RecordField& field) {
    const Column& column = *field.column_;
    const ColumnBytes located = layout_->Locate(column);
    field.hasStored_ = false;
    if (field.Complex) {
        Variant& value = field.current_.Value;
        value.Text = {};
        value.Bytes = {};
        value.Items = {};
        if (located.State != Presence::Bytes) {
            value.Type = VarType::Null;
        } else {
            if (located.Bytes.size() != 4)
                RaiseCorrupt("complex value of the wrong size");
            value.Type = VarType::List;
            const auto items = field.Complex->Items.find(I32(located.Bytes, 0));
            if (items != field.Complex->Items.end())
                value.Items = items->second;
        }
        field.decoded_ = record_;
    } else if (field.plainText_ && LocateStoredText(column, located, context_, field.current_.Bytes, field.stored_)) {
        field.hasStored_ = true;
    } else {
        DecodeValue(column, located, context_, field.current_);
        field.decoded_ = record_;
    }
    field.readied_ = record_;
    if (!field.wanted_) {
        const auto index = static_cast<std::size_t>(&field - fields_.Items.data());
        fields_.Items[index].wanted_ = true;
        wanted_.insert(std::upper_bound(wanted_.begin(), wanted_.end(), index), index);
    }
}

void JetRecordset::Decode(const RecordField& field) {
    if (field.readied_ != record_)
        Ready(field);
    if (field.decoded_ != record_) {
        DecodeStoredText(*field.column_, field.stored_, context_, field.current_);
        field.decoded_ = record_;
    }
}

} // namespace jet
