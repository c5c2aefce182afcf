#include "tests/support/MemoryDatabase.h"

#include <algorithm>
#include <utility>

namespace memdb {

namespace {

std::map<std::string, std::shared_ptr<File>>& Registry() {
    static std::map<std::string, std::shared_ptr<File>> files;
    return files;
}

std::string Narrow(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text)
        out.push_back(c < 0x100 ? static_cast<char>(c) : '?');
    return out;
}

char16_t FoldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool SameNameNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    return true;
}

// Columns of a table definition: names and types, but no value.
class DefField : public Field {
public:
    DefField(std::u16string name, int16_t type) : name_(std::move(name)), type_(type) {}
    std::u16string_view Name() const override { return name_; }
    int16_t Type() const override { return type_; }
    const Variant& Value() const override { throw EngineError(kInvalidOperation); }

private:
    std::u16string name_;
    int16_t type_;
};

class DefFields : public Fields {
public:
    explicit DefFields(const Table& table) {
        for (const Column& c : table.Columns)
            fields_.emplace_back(Widen(c.Name), c.Type);
    }
    int16_t Count() const override { return static_cast<int16_t>(fields_.size()); }
    const Field& Item(int32_t index) const override {
        if (index < 0 || static_cast<std::size_t>(index) >= fields_.size())
            throw EngineError(kItemNotFound);
        return fields_[static_cast<std::size_t>(index)];
    }

private:
    std::vector<DefField> fields_;
};

class MemoryTableDef : public TableDef {
public:
    explicit MemoryTableDef(const Table& table)
        : Source(table), name_(Widen(table.Name)), nameFailure_(table.NameFailure), fields_(table) {}
    std::u16string_view Name() const override {
        if (nameFailure_)
            throw EngineError(*nameFailure_);
        return name_;
    }
    const Fields& GetFields() const override { return fields_; }
    std::optional<TableSchema> Schema() const override { return Source.Schema; }

    const Table& Source;

private:
    std::u16string name_;
    std::optional<int32_t> nameFailure_;
    DefFields fields_;
};

class MemoryTableDefs : public TableDefs {
public:
    explicit MemoryTableDefs(std::shared_ptr<File> file) : file_(std::move(file)) {}
    int16_t Count() const override { return static_cast<int16_t>(file_->Tables.size()); }
    std::shared_ptr<TableDef> Item(int32_t index) const override {
        if (index < 0 || static_cast<std::size_t>(index) >= file_->Tables.size())
            throw EngineError(kItemNotFound);
        return std::make_shared<MemoryTableDef>(file_->Tables[static_cast<std::size_t>(index)]);
    }
    std::shared_ptr<TableDef> Item(std::u16string_view name) const override {
        for (const Table& t : file_->Tables)
            if (SameNameNoCase(Widen(t.Name), name))
                return std::make_shared<MemoryTableDef>(t);
        throw EngineError(kItemNotFound);
    }

private:
    std::shared_ptr<File> file_;
};

class MemoryRecordset;

class RowField : public Field {
public:
    RowField(const MemoryRecordset& owner, const Column& column, std::size_t index)
        : owner_(owner), name_(Widen(column.Name)), type_(column.Type), index_(index) {}
    std::u16string_view Name() const override { return name_; }
    int16_t Type() const override { return type_; }
    const Variant& Value() const override;

private:
    const MemoryRecordset& owner_;
    std::u16string name_;
    int16_t type_;
    std::size_t index_;
    mutable Variant current_;
};

class RowFields : public Fields {
public:
    int16_t Count() const override { return static_cast<int16_t>(fields_.size()); }
    const Field& Item(int32_t index) const override {
        if (index < 0 || static_cast<std::size_t>(index) >= fields_.size())
            throw EngineError(kItemNotFound);
        return fields_[static_cast<std::size_t>(index)];
    }
    std::vector<RowField> fields_;
};

class MemoryRecordset : public Recordset {
public:
    MemoryRecordset(std::shared_ptr<File> file, const Table& table, int32_t first = 0, int32_t stride = 1)
        : file_(std::move(file)), table_(table), first_(first), stride_(stride) {
        fields_.fields_.reserve(table.Columns.size());
        for (std::size_t i = 0; i < table.Columns.size(); ++i)
            fields_.fields_.emplace_back(*this, table.Columns[i], i);
        // A part is not a recordset of its own for the usage counts.
        if (stride == 1)
            ++file_->Used.RecordsetsOpened;
        row_ = Skip(0);
    }
    int32_t BlockCount() const override {
        Check();
        return table_.RowBlocks.empty() ? 0 : table_.Blocks;
    }
    std::unique_ptr<Recordset> Part(int32_t first, int32_t stride) override {
        Check();
        if (table_.RowBlocks.empty())
            return nullptr;
        if (table_.PartFailure)
            throw EngineError(*table_.PartFailure);
        return std::make_unique<MemoryRecordset>(file_, table_, first, stride);
    }
    int32_t Block() const override {
        Check();
        return row_ < table_.RowBlocks.size() ? table_.RowBlocks[row_] : 0;
    }
    int32_t RecordCount() const override {
        Check();
        return table_.RecordCountOverride ? *table_.RecordCountOverride : static_cast<int32_t>(table_.Rows.size());
    }
    void MoveFirst() override {
        Check();
        if (table_.Rows.empty())
            throw EngineError(kNoCurrentRecord);
        unreadable_ = 0;
        row_ = Skip(0);
    }
    void MoveNext() override {
        Check();
        if (Eof())
            throw EngineError(kNoCurrentRecord);
        row_ = Skip(row_ + 1);
        if (table_.MoveFailureRow && row_ == *table_.MoveFailureRow)
            throw EngineError(HResult::DaoError(3049));
    }
    bool Eof() const override {
        Check();
        return row_ >= table_.Rows.size();
    }
    const Fields& GetFields() const override {
        Check();
        return fields_;
    }
    void Close() override {
        Check();
        closed_ = true;
        ++file_->Used.RecordsetsClosed;
    }

    const memdb::Value& Current(std::size_t column) const {
        Check();
        if (row_ >= table_.Rows.size())
            throw EngineError(kNoCurrentRecord);
        const std::vector<memdb::Value>& row = table_.Rows[row_];
        if (column >= row.size())
            throw EngineError(kItemNotFound);
        return row[column];
    }

private:
    void Check() const {
        if (closed_)
            throw EngineError(kObjectClosed);
    }
    // The first row from `row` on that lies in one of this part's blocks
    // and can be read; the unreadable ones of the part passed are counted.
    std::size_t Skip(std::size_t row) const {
        const auto inPart = [&](std::size_t r) {
            return stride_ == 1 || r >= table_.RowBlocks.size() || table_.RowBlocks[r] % stride_ == first_;
        };
        const auto unreadable = [&](std::size_t r) {
            return std::find(table_.UnreadableRows.begin(), table_.UnreadableRows.end(), r) !=
                   table_.UnreadableRows.end();
        };
        while (row < table_.Rows.size() && (!inPart(row) || unreadable(row))) {
            if (inPart(row))
                ++unreadable_;
            ++row;
        }
        return row;
    }
    int64_t RowsUnreadable() const override { return unreadable_; }

    std::shared_ptr<File> file_;
    const Table& table_;
    int32_t first_;
    int32_t stride_;
    RowFields fields_;
    std::size_t row_ = 0;
    bool closed_ = false;
    mutable int64_t unreadable_ = 0;
};

const Variant& RowField::Value() const {
    const memdb::Value& v = owner_.Current(index_);
    if (v.FailCode)
        throw EngineError(*v.FailCode);
    current_ = v.Base;
    current_.Text = v.Text;
    current_.Bytes = v.Bytes;
    current_.Items = v.Items;
    return current_;
}

class MemoryDatabase : public Database {
public:
    explicit MemoryDatabase(std::shared_ptr<File> file) : file_(std::move(file)) { ++file_->Used.OpenHandles; }
    ~MemoryDatabase() override { --file_->Used.OpenHandles; }
    void Close() override {
        Check();
        ++file_->Used.CloseCalls;
        if (file_->CloseFailure)
            throw EngineError(*file_->CloseFailure);
        closed_ = true;
    }
    std::vector<RelationshipSchema> Relationships() override { return file_->Relationships; }
    std::shared_ptr<TableDefs> GetTableDefs() override {
        Check();
        if (file_->TableDefsFailure)
            throw EngineError(*file_->TableDefsFailure);
        return std::make_shared<MemoryTableDefs>(file_);
    }
    std::unique_ptr<Recordset> OpenRecordset(std::u16string_view name) override {
        Check();
        for (const Table& t : file_->Tables) {
            if (!SameNameNoCase(Widen(t.Name), name))
                continue;
            if (t.OpenRecordsetFailure)
                throw EngineError(*t.OpenRecordsetFailure, u"In-memory engine", u"The records cannot be read.");
            return std::make_unique<MemoryRecordset>(file_, t);
        }
        throw EngineError(kItemNotFound);
    }
    std::unique_ptr<Recordset> OpenRecordsetOf(const TableDef& table) override {
        Check();
        const auto* own = dynamic_cast<const MemoryTableDef*>(&table);
        if (!own)
            throw EngineError(kItemNotFound);
        if (own->Source.OpenRecordsetFailure)
            throw EngineError(*own->Source.OpenRecordsetFailure, u"In-memory engine", u"The records cannot be read.");
        return std::make_unique<MemoryRecordset>(file_, own->Source);
    }

private:
    void Check() const {
        if (closed_)
            throw EngineError(kObjectClosed);
    }

    std::shared_ptr<File> file_;
    bool closed_ = false;
};

Value Make(VarType type) {
    Value v;
    v.Base.Type = type;
    return v;
}

} // namespace

std::u16string Widen(std::string_view latin1) {
    std::u16string out;
    out.reserve(latin1.size());
    for (char c : latin1)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

Value Null() { return Make(VarType::Null); }
Value Long(int32_t value) {
    Value v = Make(VarType::I4);
    v.Base.I4 = value;
    return v;
}
Value Integer(int16_t value) {
    Value v = Make(VarType::I2);
    v.Base.I2 = value;
    return v;
}
Value BigInt(int64_t value) {
    Value v = Make(VarType::I8);
    v.Base.I8 = value;
    return v;
}
Value Double(double value) {
    Value v = Make(VarType::R8);
    v.Base.R8 = value;
    return v;
}
Value Boolean(bool value) {
    Value v = Make(VarType::Bool);
    v.Base.Bool = value;
    return v;
}
Value Date(double serial) {
    Value v = Make(VarType::Date);
    v.Base.R8 = serial;
    return v;
}
Value Currency(int64_t scaledBy10000) {
    Value v = Make(VarType::Currency);
    v.Base.I8 = scaledBy10000;
    return v;
}
Value Text(std::string_view latin1) { return WideText(Widen(latin1)); }
Value WideText(std::u16string text) {
    Value v = Make(VarType::Text);
    v.Text = std::move(text);
    return v;
}
Value Binary(std::vector<uint8_t> bytes) {
    Value v = Make(VarType::Bytes);
    v.Bytes = std::move(bytes);
    return v;
}
Value Failing(int32_t code) {
    Value v = Make(VarType::Empty);
    v.FailCode = code;
    return v;
}

Table& Table::Row(std::vector<Value> values) {
    Rows.push_back(std::move(values));
    return *this;
}

Table& File::AddTable(std::string name, std::vector<Column> columns) {
    Tables.push_back(Table{std::move(name), std::move(columns), {}, {}, {}, {}, {}, 0, {}, {}, {}, {}});
    return Tables.back();
}

std::shared_ptr<File> Register(const std::string& path) {
    auto file = std::make_shared<File>();
    Registry()[path] = file;
    return file;
}

std::shared_ptr<File> Find(const std::string& path) {
    auto it = Registry().find(path);
    return it == Registry().end() ? nullptr : it->second;
}

void ClearRegistry() { Registry().clear(); }

std::unique_ptr<Database> Engine::OpenDatabase(std::u16string_view name, int32_t options, bool readOnly,
                                               const std::optional<std::u16string>& connect) {
    std::shared_ptr<File> file = Find(Narrow(name));
    if (!file)
        throw EngineError(kFileNotFound, u"DAO.Workspace", u"Could not find file.");
    ++file->Used.Opens;
    file->Used.LastConnect = connect;
    file->Used.LastOptions = options;
    file->Used.LastReadOnly = readOnly;
    if (file->OpenFailure)
        throw EngineError(*file->OpenFailure);
    if (!file->Password.empty()) {
        if (!connect || *connect != u";pwd=" + Widen(file->Password))
            throw EngineError(kBadPassword, u"DAO.Workspace", u"Not a valid password.");
    }
    return std::make_unique<MemoryDatabase>(file);
}

} // namespace memdb
