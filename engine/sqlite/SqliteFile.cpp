// The SQLite database a run writes. Record writers (one per thread) turn a
// record's values into a compact form: each value tagged as SQLite stores
// it. The target reads that form back in table order, binds it to one
// prepared INSERT and steps it, one transaction per table. The file is made
// beside the one named and takes its place only when the whole run is done.

#include "engine/SqliteForm.h"

#include "engine/Records.h"
#include "engine/SchemaText.h"
#include "engine/TypedText.h"
#include "engine/Utf8Text.h"
#include "platform/Platform.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>

namespace {

// The tag before each value of a record.
enum Tag : uint8_t { kNull = 0, kInteger = 1, kReal = 2, kText = 3, kBlob = 4 };

// A memory sink hands on what it holds beyond this many bytes.
constexpr std::size_t kSinkBytes = 256 * 1024;

template <typename T>
void Put(std::string& out, T value) {
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

template <typename T>
T Take(const char* at) {
    T value;
    std::memcpy(&value, at, sizeof(T));
    return value;
}

class SqliteRecords final : public RecordWriter {
public:
    SqliteRecords(const ColumnPlan& plan, AttachmentFolder* attachments) : plan_(plan), attachments_(attachments) {}

    void Write(const Fields& values, int64_t row, OutputFile& out, UnrenderedCells&) override {
        record_.assign(sizeof(uint32_t), '\0');
        for (int32_t i : plan_.Exported)
            Append(values.Item(i), row);
        const auto length = static_cast<uint32_t>(record_.size() - sizeof(uint32_t));
        std::memcpy(record_.data(), &length, sizeof length);
        out.Write(record_);
    }
    const TypedTextCounts& Counts() const { return counts_; }

private:
    void Integer(int64_t value) {
        record_.push_back(static_cast<char>(kInteger));
        Put(record_, value);
    }
    void Real(double value) {
        if (std::isnan(value)) {
            counts_.NotFinite += 1;
            record_.push_back(static_cast<char>(kNull));
            return;
        }
        record_.push_back(static_cast<char>(kReal));
        Put(record_, value);
    }
    // A stored text straight into UTF-8, without the UTF-16 copy of it in
    // between. False, with nothing kept, for a surrogate (its pair is left
    // to AppendUtf8) or malformed bytes: the caller then takes Value().
    bool AppendStoredText(const StoredText& stored) {
        const uint8_t* p = stored.Bytes.data();
        const uint8_t* const end = p + stored.Bytes.size();
        const bool compressed = stored.Encoding == StoredText::Form::Compressed;
        if (compressed) {
            if (end - p < 2)
                return false;
            p += 2;
        } else if (stored.Bytes.size() % 2 != 0) {
            return false;
        }
        const std::size_t at = record_.size();
        record_.push_back(static_cast<char>(kText));
        Put(record_, uint32_t{0});
        const std::size_t start = record_.size();
        bool oneByte = compressed;
        while (p < end) {
            if (compressed && *p == 0) {
                oneByte = !oneByte;
                ++p;
                continue;
            }
            char32_t unit;
            if (oneByte) {
                unit = *p++;
            } else {
                if (end - p < 2) {
                    record_.resize(at);
                    return false;
                }
                unit = static_cast<char32_t>(p[0] | (p[1] << 8));
                p += 2;
            }
            if (unit < 0x80) {
                record_.push_back(static_cast<char>(unit));
            } else if (unit < 0x800) {
                record_.push_back(static_cast<char>(0xC0 | (unit >> 6)));
                record_.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
            } else if (unit >= 0xD800 && unit <= 0xDFFF) {
                record_.resize(at);
                return false;
            } else {
                record_.push_back(static_cast<char>(0xE0 | (unit >> 12)));
                record_.push_back(static_cast<char>(0x80 | ((unit >> 6) & 0x3F)));
                record_.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
            }
        }
        const auto length = static_cast<uint32_t>(record_.size() - start);
        std::memcpy(record_.data() + at + 1, &length, sizeof length);
        return true;
    }

    void Append(const Field& field, int64_t row) {
        const int16_t type = field.Type();
        if (type == DaoType::Text || type == DaoType::Memo) {
            StoredText stored;
            if (field.StoredTextValue(stored) && AppendStoredText(stored))
                return;
        }
        const Variant& value = field.Value();
        switch (value.Type) {
        case VarType::Empty:
        case VarType::Null: record_.push_back(static_cast<char>(kNull)); return;
        case VarType::Bool: Integer(value.Bool ? 1 : 0); return;
        case VarType::Byte: Integer(value.Byte); return;
        case VarType::I2: Integer(value.I2); return;
        case VarType::I4: Integer(value.I4); return;
        case VarType::I8: Integer(value.I8); return;
        case VarType::R8: Real(value.R8); return;
        case VarType::Currency:
            // What SQLite makes of the exact text in a NUMERIC column, without
            // the text: a whole amount an INTEGER, any other the nearest REAL
            // (the quotient of two exact doubles is rounded once).
            if (value.I8 % 10000 == 0)
                Integer(value.I8 / 10000);
            else
                Real(static_cast<double>(value.I8) / 10000.0);
            return;
        case VarType::R4: {
            // The single's shortest decimal, as the user typed and sees it
            // (0.1, not 0.100000001490116).
            if (!std::isfinite(value.R4)) {
                Real(value.R4);
                return;
            }
            char digits[32];
            const auto end = std::to_chars(digits, digits + sizeof digits, value.R4).ptr;
            double wide = value.R4;
            std::from_chars(digits, end, wide);
            Real(wide);
            return;
        }
        case VarType::Bytes:
            if (field.Type() != DaoType::Attachment) {
                record_.push_back(static_cast<char>(kBlob));
                Put(record_, static_cast<uint32_t>(value.Bytes.size()));
                record_.append(reinterpret_cast<const char*>(value.Bytes.data()), value.Bytes.size());
                return;
            }
            break;
        default: break;
        }
        // Dates, currency and decimals, texts, GUIDs and the many-valued
        // fields as the portable CSV writes them.
        const std::size_t at = record_.size();
        record_.push_back(static_cast<char>(kText));
        Put(record_, uint32_t{0});
        const std::size_t start = record_.size();
        if (!AppendPortableText(field, true, BinaryForm::Hex, {attachments_, row}, record_, counts_)) {
            record_.resize(at);
            record_.push_back(static_cast<char>(kNull));
            return;
        }
        const auto length = static_cast<uint32_t>(record_.size() - start);
        std::memcpy(record_.data() + at + 1, &length, sizeof length);
    }

    const ColumnPlan& plan_;
    AttachmentFolder* attachments_;
    std::string record_;
    TypedTextCounts counts_;
};

class SqliteTable final : public TableOutput {
public:
    explicit SqliteTable(const ColumnPlan& plan) : plan_(plan) {}
    std::string Header() override { return {}; }
    RecordWriter& NewWriter(AttachmentFolder* attachments) override {
        return writers_.emplace_back(plan_, attachments);
    }
    std::string Warning() const override {
        TypedTextCounts total;
        for (const SqliteRecords& writer : writers_) {
            total.NotFinite += writer.Counts().NotFinite;
            total.CharactersReplaced += writer.Counts().CharactersReplaced;
            total.NoText += writer.Counts().NoText;
        }
        return TypedTextWarning(total);
    }

private:
    const ColumnPlan& plan_;
    std::deque<SqliteRecords> writers_; // stable addresses for the threads holding them
};

std::u16string Wide(const std::string& text) { return platform::AnsiToWide(text); }

[[noreturn]] void Fail(const std::string& message) { throw EngineError(HResult::Fail, u"SQLite", Wide(message)); }

struct TableInsert {
    std::string Head;  // INSERT INTO "T" ("a", "b") VALUES
    std::string Marks; // (?, ?)
    std::u16string Name;
    std::size_t Columns = 0;
};

// Rows inserted by one statement: a statement per row would spend more on
// starting and ending statements than on the rows.
constexpr int kRowsPerStatement = 64;

class SqliteTarget final : public RunOutput {
public:
    explicit SqliteTarget(std::string path) : path_(std::move(path)), temp_(path_ + ".incomplete") {}
    ~SqliteTarget() override {
        Close();
        if (!kept_)
            platform::RemoveFile(temp_);
    }

    // False, with the reason, when the new file cannot be made.
    bool Open(std::string& error) {
        platform::RemoveFile(temp_);
        // SQLite takes file names in UTF-8, the system's paths are in its
        // narrow code page.
        std::string name;
        AppendUtf8(platform::AnsiToWide(temp_), name);
        if (sqlite3_open_v2(name.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            error = "cannot create " + temp_ + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
            return false;
        }
        // The file is new and taken into use only when complete: it needs
        // no protection against a crash half-way, so nothing is synced and
        // the rollback journal (for a table that fails) stays in memory.
        // The connection is used by one thread at a time (NOMUTEX); large
        // pages mean fewer splits and writes for tables of many rows.
        return Exec("PRAGMA page_size=65536; PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF;"
                    " PRAGMA locking_mode=EXCLUSIVE; PRAGMA temp_store=MEMORY; PRAGMA cache_size=-16384;",
                    error);
    }

    std::string Name() const override { return path_; }

    bool Begin(const std::vector<TableSchema>& tables, const std::vector<RelationshipSchema>& relationships,
               std::string& error) override {
        // A table of the same name from an earlier database of the run is
        // appended to, as a pattern run appends to a table's one CSV file.
        std::vector<TableSchema> fresh;
        for (const TableSchema& table : tables) {
            TableInsert insert;
            insert.Name = table.Name;
            insert.Columns = table.Columns.size();
            std::string names, marks;
            for (const ColumnSchema& column : table.Columns) {
                names += (names.empty() ? "" : ", ") + QuotedName(SqlDialect::Sqlite, column.Name);
                marks += marks.empty() ? "?" : ", ?";
            }
            insert.Head = "INSERT INTO " + QuotedName(SqlDialect::Sqlite, table.Name) + " (" + names + ") VALUES ";
            insert.Marks = "(" + marks + ")";
            const std::string key = platform::WideToAnsi(table.Name);
            // A table none of whose columns is exported cannot be made; its
            // records hold nothing.
            if (!Known(table.Name) && !table.Columns.empty())
                fresh.push_back(table);
            inserts_[key] = std::move(insert);
        }
        if (fresh.empty())
            return true;
        if (!Exec("BEGIN; " + SchemaText(SqlDialect::Sqlite, fresh, relationships) + " COMMIT;", error)) {
            Exec("ROLLBACK;", error);
            return false;
        }
        for (const TableSchema& table : fresh)
            made_.push_back(Folded(table.Name));
        return true;
    }

    OutputFile& Sink(std::string_view tableName) override {
        EndStatement();
        const auto found = inserts_.find(std::string(tableName));
        if (found == inserts_.end())
            Fail("no table " + std::string(tableName) + " was made");
        current_ = &found->second;
        std::string error;
        if (!Exec("BEGIN;", error))
            Fail(error);
        rows_ = 0;
        batchRows_ = 0;
        batch_.clear();
        perStatement_ = 1;
        if (current_->Columns > 0) {
            if (sqlite3_prepare_v2(db_, (current_->Head + current_->Marks).c_str(), -1, &insert_, nullptr) != SQLITE_OK)
                Fail(std::string(sqlite3_errmsg(db_)));
            const int variables = sqlite3_limit(db_, SQLITE_LIMIT_VARIABLE_NUMBER, -1);
            perStatement_ = std::max(1, std::min(kRowsPerStatement, variables / static_cast<int>(current_->Columns)));
            if (perStatement_ > 1) {
                std::string many = current_->Head;
                for (int r = 0; r < perStatement_; ++r)
                    many += (r ? ", " : "") + current_->Marks;
                if (sqlite3_prepare_v2(db_, many.c_str(), -1, &insertMany_, nullptr) != SQLITE_OK)
                    Fail(std::string(sqlite3_errmsg(db_)));
            }
        }
        pending_.clear();
        sink_.OpenMemory();
        sink_.SpillOver(kSinkBytes, [this](std::string_view bytes) { Store(bytes); });
        return sink_;
    }

    bool EndTable(bool complete, std::string& error) override {
        try {
            if (complete) {
                Store(sink_.Bytes());
                sink_.Clear();
                InsertBatch();
            }
        } catch (const EngineError& failure) {
            error = platform::WideToAnsi(failure.Description.value_or(u""));
            complete = false;
        }
        sink_.Close();
        EndStatement();
        current_ = nullptr;
        if (complete)
            return Exec("COMMIT;", error);
        std::string ignored;
        Exec("ROLLBACK;", ignored);
        return error.empty();
    }

    bool End(std::string&) override { return true; }

    bool Finish(bool keep, std::string& error) override {
        EndStatement();
        if (!keep) {
            Close();
            return true;
        }
        if (!Close()) {
            error = "could not finish " + temp_;
            return false;
        }
        if (!platform::MoveFileOver(temp_, path_)) {
            error = "could not replace " + path_ + " with the new database";
            return false;
        }
        kept_ = true;
        return true;
    }

private:
    static std::u16string Folded(std::u16string_view name) {
        // SQLite compares names without case in the ASCII letters only.
        std::u16string folded(name);
        for (char16_t& c : folded)
            if (c >= u'A' && c <= u'Z')
                c = static_cast<char16_t>(c - u'A' + u'a');
        return folded;
    }
    bool Known(std::u16string_view name) const {
        const std::u16string folded = Folded(name);
        for (const std::u16string& made : made_)
            if (made == folded)
                return true;
        return false;
    }

    bool Exec(const std::string& sql, std::string& error) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        error = message ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        return false;
    }

    void EndStatement() {
        sqlite3_finalize(insert_);
        sqlite3_finalize(insertMany_);
        insert_ = insertMany_ = nullptr;
    }

    bool Close() {
        sink_.Close();
        EndStatement();
        if (!db_)
            return true;
        const bool closed = sqlite3_close(db_) == SQLITE_OK;
        db_ = nullptr;
        return closed;
    }

    // Inserts every whole record of the bytes (after what an earlier piece
    // left unfinished); keeps the unfinished end for the next piece.
    void Store(std::string_view bytes) {
        if (!pending_.empty()) {
            pending_.append(bytes);
            const std::size_t used = StoreWhole(pending_);
            pending_.erase(0, used);
            return;
        }
        const std::size_t used = StoreWhole(bytes);
        pending_.assign(bytes.substr(used));
    }

    std::size_t StoreWhole(std::string_view bytes) {
        std::size_t at = 0;
        while (bytes.size() - at >= sizeof(uint32_t)) {
            const auto length = Take<uint32_t>(bytes.data() + at);
            if (bytes.size() - at - sizeof(uint32_t) < length)
                break;
            StoreRecord(bytes.substr(at + sizeof(uint32_t), length));
            at += sizeof(uint32_t) + length;
        }
        return at;
    }

    // Records wait, whole, until a statement's worth is there.
    void StoreRecord(std::string_view record) {
        if (!current_ || !insert_)
            return;
        Put(batch_, static_cast<uint32_t>(record.size()));
        batch_.append(record);
        if (++batchRows_ == perStatement_)
            InsertBatch();
    }

    // The waiting records: by one statement when they are a statement's
    // worth, else (the table's last few, or a statement SQLite refused, to
    // name the row it refuses) one by one.
    void InsertBatch() {
        if (batchRows_ == 0)
            return;
        if (batchRows_ == perStatement_ && insertMany_) {
            BindAll(insertMany_, true);
            const bool done = sqlite3_step(insertMany_) == SQLITE_DONE;
            sqlite3_reset(insertMany_);
            if (done) {
                rows_ += batchRows_;
                batchRows_ = 0;
                batch_.clear();
                return;
            }
        }
        BindAll(insert_, false);
        batchRows_ = 0;
        batch_.clear();
    }

    // Binds the waiting records to one statement (all) or to the one-row
    // statement, stepping it after each.
    void BindAll(sqlite3_stmt* statement, bool all) {
        std::string_view bytes = batch_;
        int first = 1;
        while (!bytes.empty()) {
            const auto length = Take<uint32_t>(bytes.data());
            Bind(statement, bytes.substr(sizeof(uint32_t), length), all ? first : 1);
            bytes.remove_prefix(sizeof(uint32_t) + length);
            first += static_cast<int>(current_->Columns);
            if (all)
                continue;
            if (sqlite3_step(statement) != SQLITE_DONE) {
                const std::string message = sqlite3_errmsg(db_);
                sqlite3_reset(statement);
                Fail("row " + std::to_string(rows_ + 1) + ": " + message);
            }
            sqlite3_reset(statement);
            rows_ += 1;
        }
    }

    void Bind(sqlite3_stmt* statement, std::string_view record, int column) {
        std::size_t at = 0;
        int bound = 0;
        auto need = [&](std::size_t bytes) {
            if (record.size() - at < bytes)
                Fail("a record of table " + platform::WideToAnsi(current_->Name) + " is cut short");
        };
        while (at < record.size()) {
            const auto tag = static_cast<Tag>(record[at++]);
            if (++bound > static_cast<int>(current_->Columns))
                Fail("a record of table " + platform::WideToAnsi(current_->Name) + " has too many values");
            int result = SQLITE_OK;
            switch (tag) {
            case kNull: result = sqlite3_bind_null(statement, column); break;
            case kInteger:
                need(8);
                result = sqlite3_bind_int64(statement, column, Take<int64_t>(record.data() + at));
                at += 8;
                break;
            case kReal:
                need(8);
                result = sqlite3_bind_double(statement, column, Take<double>(record.data() + at));
                at += 8;
                break;
            case kText:
            case kBlob: {
                need(4);
                const auto length = Take<uint32_t>(record.data() + at);
                at += 4;
                need(length);
                const char* data = record.data() + at;
                result = tag == kText
                             ? sqlite3_bind_text(statement, column, data, static_cast<int>(length), SQLITE_STATIC)
                             : sqlite3_bind_blob(statement, column, data, static_cast<int>(length), SQLITE_STATIC);
                at += length;
                break;
            }
            default: Fail("a record of table " + platform::WideToAnsi(current_->Name) + " is not readable");
            }
            if (result != SQLITE_OK)
                Fail(std::string(sqlite3_errmsg(db_)));
            ++column;
        }
    }

    std::string path_;
    std::string temp_;
    sqlite3* db_ = nullptr;
    bool kept_ = false;
    std::map<std::string, TableInsert> inserts_; // by the table's name as the export names it
    std::vector<std::u16string> made_;           // tables this run made, folded
    TableInsert* current_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;     // one row
    sqlite3_stmt* insertMany_ = nullptr; // perStatement_ rows
    int perStatement_ = 1;
    OutputFile sink_;
    std::string pending_;
    std::string batch_; // records waiting for their statement, each after its length
    int batchRows_ = 0;
    int64_t rows_ = 0; // rows inserted into the table
};

bool NamesDatabaseFile(std::string_view path) {
    for (const char* ending : {".sqlite", ".sqlite3", ".db"})
        if (EndsWithNoCase(path, ending))
            return true;
    return false;
}

class SqliteForm final : public OutputForm {
public:
    std::string Extension() const override { return ".sqlite"; }
    bool NamesFile(std::string_view path) const override { return NamesDatabaseFile(path); }
    std::unique_ptr<TableOutput> StartTable(const ConversionSettings&, const TableDef&,
                                            const ColumnPlan& plan) override {
        return std::make_unique<SqliteTable>(plan);
    }
    std::unique_ptr<RunOutput> StartRun(const ConversionSettings& settings, std::string& error) override {
        if (settings.StandardOutput) {
            error = "--format=sqlite writes a database file, not standard output: name the file (FILE.sqlite)";
            return nullptr;
        }
        const std::string path = settings.OutputPath.str();
        if (!NamesDatabaseFile(path)) {
            error = "--format=sqlite writes one database file: the output " + path +
                    " must end in .sqlite, .sqlite3 or .db";
            return nullptr;
        }
        auto target = std::make_unique<SqliteTarget>(path);
        if (!target->Open(error))
            return nullptr;
        return target;
    }
};

} // namespace

std::unique_ptr<OutputForm> MakeSqliteForm() { return std::make_unique<SqliteForm>(); }
bool SqliteInThisBuild() { return true; }
