#include "jet/JetObjects.h"

#include "jet/Text.h"

#include <algorithm>
#include <bit>
#include <cstdint>

namespace jet {

namespace {

// A number stored in place: the type it is handed out as, its size and how
// it is read.
struct NumberForm {
    VarType Type = VarType::Null;
    uint32_t Size = 0;
    Readying Way = Readying::Other;
};

NumberForm NumberFormOf(uint8_t type) {
    using R = Readying;
    switch (type) {
    case ColumnType::Byte: return {VarType::Byte, 1, R::Byte};
    case ColumnType::Integer: return {VarType::I2, 2, R::Integer};
    case ColumnType::Long: return {VarType::I4, 4, R::Long};
    case ColumnType::Single: return {VarType::R4, 4, R::Single};
    case ColumnType::Currency: return {VarType::Currency, 8, R::Int64};
    case ColumnType::BigInt: return {VarType::I8, 8, R::Int64};
    case ColumnType::Double: return {VarType::R8, 8, R::Real};
    case ColumnType::DateTime: return {VarType::Date, 8, R::Real};
    default: return {};
    }
}

uint32_t Le32(const uint8_t* b) {
    return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
           (static_cast<uint32_t>(b[3]) << 24);
}

uint64_t Le64(const uint8_t* b) { return Le32(b) | (static_cast<uint64_t>(Le32(b + 4)) << 32); }

} // namespace

Readying JetRecordset::ReadyingOf(const Column& column, const ColumnPlace& place, VarType& numberType) {
    if (column.Type == ColumnType::Complex)
        return Readying::Complex;
    if (column.IsCalculated())
        return Readying::Other;
    if (place.Where == ColumnPlace::Kind::Mask)
        return Readying::Boolean;
    // A size its type does not have is damage the general decoder reports.
    const NumberForm number = NumberFormOf(column.Type);
    if (number.Size != 0 && place.Where == ColumnPlace::Kind::Fixed && place.Length == number.Size) {
        numberType = number.Type;
        return number.Way;
    }
    if (place.Where == ColumnPlace::Kind::Variable && column.Type == ColumnType::Text)
        return Readying::Text;
    if (place.Where == ColumnPlace::Kind::Variable && column.Type == ColumnType::Memo)
        return Readying::Memo;
    return Readying::Other;
}

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
        RecordField& field = fields_.Items.emplace_back(column, type, *this);
        field.Complex = complex;
        field.place_ = PlaceOf(context_.Jet3, column);
        field.readying_ = ReadyingOf(column, field.place_, field.numberType_);
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

namespace {

// Where a fixed number of its type's size lies, its type set; none when
// the value is NULL. Each kind then reads what the general decoder would.
inline const uint8_t* NumberAt(const RecordLayout& layout, const ColumnPlace& place, VarType type, Variant& value) {
    if (!layout.Holds(place)) {
        value.Type = VarType::Null;
        return nullptr;
    }
    const uint8_t* const at = layout.Data() + layout.FixedStart(place);
    value.Type = type;
    return at;
}

} // namespace

inline void JetRecordset::ReadyValue(const RecordField& field, uint64_t record) {
    const RecordLayout& layout = *layout_;
    const ColumnPlace& place = field.place_;
    const VarType type = field.numberType_;
    Variant& v = field.current_.Value;
    switch (field.readying_) {
    case Readying::Byte:
        if (const uint8_t* b = NumberAt(layout, place, type, v))
            v.Byte = b[0];
        break;
    case Readying::Integer:
        if (const uint8_t* b = NumberAt(layout, place, type, v))
            v.I2 = static_cast<int16_t>(b[0] | (b[1] << 8));
        break;
    case Readying::Long:
        if (const uint8_t* b = NumberAt(layout, place, type, v))
            v.I4 = static_cast<int32_t>(Le32(b));
        break;
    case Readying::Single:
        if (const uint8_t* b = NumberAt(layout, place, type, v))
            v.R4 = std::bit_cast<float>(Le32(b));
        break;
    case Readying::Int64:
        if (const uint8_t* b = NumberAt(layout, place, type, v))
            v.I8 = static_cast<int64_t>(Le64(b));
        break;
    case Readying::Real:
        if (const uint8_t* b = NumberAt(layout, place, type, v))
            v.R8 = std::bit_cast<double>(Le64(b));
        break;
    case Readying::Boolean:
        v.Type = VarType::Bool;
        v.Bool = layout.MaskBit(place);
        break;
    case Readying::Text: ReadyText(field); break;
    case Readying::Memo: ReadyMemo(field); break;
    case Readying::Complex: ReadyComplex(field); break;
    case Readying::Other: ReadyOther(field); break;
    }
    if (field.readying_ < Readying::Text)
        field.decoded_ = record; // a number or Yes/No is its value
    field.readied_ = record;
}

void JetRecordset::ReadyWanted() {
    readyWanted_ = false;
    const uint64_t record = record_;
    for (const RecordField* field : wanted_) {
        if (field->readied_ != record)
            ReadyValue(*field, record);
    }
}

void JetRecordset::Ready(const RecordField& field) {
    ReadyValue(field, record_);
    if (!field.wanted_)
        Want(field);
}

// What the general decoder gives for a text or memo that is NULL.
void JetRecordset::ReadyNull(const RecordField& field) {
    Variant& value = field.current_.Value;
    value.Type = VarType::Null;
    value.Text = {};
    value.Bytes = {};
    value.Items = {};
    field.decoded_ = record_;
}

// Texts and memos are located and checked, not widened: a writer takes most
// as they are stored. Jet3 text is checked when it is decoded.
void JetRecordset::ReadyText(const RecordField& field) {
    field.hasStored_ = false;
    ByteSpan bytes;
    if (!layout_->VariableAt(field.place_, bytes)) {
        ReadyNull(field);
        return;
    }
    HoldStoredText(field, bytes);
}

void JetRecordset::ReadyMemo(const RecordField& field) {
    field.hasStored_ = false;
    ByteSpan bytes;
    if (!layout_->VariableAt(field.place_, bytes)) {
        ReadyNull(field);
        return;
    }
    context_.LongValues->Read(bytes, field.current_.Bytes);
    HoldStoredText(field, field.current_.Bytes);
}

void JetRecordset::HoldStoredText(const RecordField& field, ByteSpan stored) {
    field.compressed_ = !context_.Jet3 && CheckUnicodeText(stored);
    field.stored_ = stored;
    field.hasStored_ = true;
}

void JetRecordset::ReadyComplex(const RecordField& field) {
    const ColumnBytes located = layout_->Locate(field.place_);
    field.hasStored_ = false;
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
}

void JetRecordset::ReadyOther(const RecordField& field) {
    const Column& column = *field.column_;
    const ColumnBytes located = layout_->Locate(field.place_);
    field.hasStored_ = false;
    if (field.plainText_ && LocateStoredText(column, located, context_, field.current_.Bytes, field.stored_)) {
        const ByteSpan stored = field.stored_;
        field.compressed_ = stored.size() >= 2 && stored[0] == 0xFF && stored[1] == 0xFE;
        field.hasStored_ = true;
    } else {
        DecodeValue(column, located, context_, field.current_);
        field.decoded_ = record_;
    }
}

void JetRecordset::Want(const RecordField& field) {
    // The fields do not move once made. Kept in field order, the wanted
    // fields are readied alike whichever was asked for first.
    RecordField& wanted = fields_.Items[static_cast<std::size_t>(&field - fields_.Items.data())];
    wanted.wanted_ = true;
    wanted_.insert(std::upper_bound(wanted_.begin(), wanted_.end(), &wanted), &wanted);
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
