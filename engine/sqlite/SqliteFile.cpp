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

template <typename T> void Put(std::string& out, T value)
{
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

template <typename T> T Take(const char* at)
{
    T value;
    std::memcpy(&value, at, sizeof(T));
    return value;
}

class SqliteRecords final : public RecordWriter {
public:
    SqliteRecords(const ColumnPlan& plan, AttachmentFolder* attachments) : plan_(plan), attachments_(attachments) {}

    void Write(const Fields& values, int64_t row, OutputFile& out, UnrenderedCells&) override
    {
        record_.assign(sizeof(uint32_t), '\0');
        for (int32_t i : plan_.Exported)
            Append(values.Item(i), row);
        const auto length = static_cast<uint32_t>(record_.size() - sizeof(uint32_t));
        std::memcpy(record_.data(), &length, sizeof length);
        out.Write(record_);
    }
    const TypedTextCounts& Counts() const { return counts_; }

private:
    void Integer(int64_t value)
    {
        record_.push_back(static_cast<char>(kInteger));
        Put(record_, value);
    }
    void Real(double value)
    {
        if (std::isnan(value)) {
            counts_.NotFinite += 1;
            record_.push_back(static_cast<char>(kNull));
            return;
        }
        record_.push_back(static_cast<char>(kReal));
        Put(record_, value);
    }
    void Append(const Field& field, int64_t row)
    {
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
    RecordWriter& NewWriter(AttachmentFolder* attachments) override
    {
        return writers_.emplace_back(plan_, attachments);
    }
    std::string Warning() const override
    {
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

[[noreturn]] void Fail(const std::string& message)
{
    throw EngineError(HResult::Fail, u"SQLite", Wide(message));
}

struct TableInsert {
    std::string Statement; // INSERT INTO "T" ("a", "b") VALUES (?, ?)
    std::u16string Name;
    std::size_t Columns = 0;
};

class SqliteTarget final : public RunOutput {
public:
    explicit SqliteTarget(std::string path) : path_(std::move(path)), temp_(path_ + ".incomplete") {}
    ~SqliteTarget() override
    {
        Close();
        if (!kept_)
            platform::RemoveFile(temp_);
    }

    // False, with the reason, when the new file cannot be made.
    bool Open(std::string& error)
    {
        platform::RemoveFile(temp_);
        // SQLite takes file names in UTF-8, the system's paths are in its
        // narrow code page.
        std::string name;
        AppendUtf8(platform::AnsiToWide(temp_), name);
        if (sqlite3_open_v2(name.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            error = "cannot create " + temp_ + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
            return false;
        }
        // The file is new and taken into use only when complete: it needs
        // no protection against a crash half-way, so nothing is synced and
        // the rollback journal (for a table that fails) stays in memory.
        return Exec("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
                    " PRAGMA temp_store=MEMORY; PRAGMA cache_size=-16384;",
                    error);
    }

    std::string Name() const override { return path_; }

    bool Begin(const std::vector<TableSchema>& tables, const std::vector<RelationshipSchema>& relationships,
               std::string& error) override
    {
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
            insert.Statement = "INSERT INTO " + QuotedName(SqlDialect::Sqlite, table.Name) + " (" + names +
                               ") VALUES (" + marks + ")";
            const std::string key = platform::WideToAnsi(table.Name);
            if (!Known(table.Name))
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

    OutputFile& Sink(std::string_view tableName) override
    {
        EndStatement();
        const auto found = inserts_.find(std::string(tableName));
        if (found == inserts_.end())
            Fail("no table " + std::string(tableName) + " was made");
        current_ = &found->second;
        std::string error;
        if (!Exec("BEGIN;", error))
            Fail(error);
        if (sqlite3_prepare_v2(db_, current_->Statement.c_str(), -1, &insert_, nullptr) != SQLITE_OK)
            Fail(std::string(sqlite3_errmsg(db_)));
        rows_ = 0;
        pending_.clear();
        sink_.OpenMemory();
        sink_.SpillOver(kSinkBytes, [this](std::string_view bytes) { Store(bytes); });
        return sink_;
    }

    bool EndTable(bool complete, std::string& error) override
    {
        try {
            if (complete) {
                Store(sink_.Bytes());
                sink_.Clear();
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

    bool Finish(bool keep, std::string& error) override
    {
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
    static std::u16string Folded(std::u16string_view name)
    {
        // SQLite compares names without case in the ASCII letters only.
        std::u16string folded(name);
        for (char16_t& c : folded)
            if (c >= u'A' && c <= u'Z')
                c = static_cast<char16_t>(c - u'A' + u'a');
        return folded;
    }
    bool Known(std::u16string_view name) const
    {
        const std::u16string folded = Folded(name);
        for (const std::u16string& made : made_)
            if (made == folded)
                return true;
        return false;
    }

    bool Exec(const std::string& sql, std::string& error)
    {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        error = message ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        return false;
    }

    void EndStatement()
    {
        if (insert_)
            sqlite3_finalize(insert_);
        insert_ = nullptr;
    }

    bool Close()
    {
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
    void Store(std::string_view bytes)
    {
        if (!pending_.empty()) {
            pending_.append(bytes);
            const std::size_t used = StoreWhole(pending_);
            pending_.erase(0, used);
            return;
        }
        const std::size_t used = StoreWhole(bytes);
        pending_.assign(bytes.substr(used));
    }

    std::size_t StoreWhole(std::string_view bytes)
    {
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

    void StoreRecord(std::string_view record)
    {
        if (!current_ || !insert_)
            return;
        std::size_t at = 0;
        int column = 0;
        auto need = [&](std::size_t bytes) {
            if (record.size() - at < bytes)
                Fail("a record of table " + platform::WideToAnsi(current_->Name) + " is cut short");
        };
        while (at < record.size()) {
            const auto tag = static_cast<Tag>(record[at++]);
            ++column;
            int result = SQLITE_OK;
            switch (tag) {
            case kNull: result = sqlite3_bind_null(insert_, column); break;
            case kInteger:
                need(8);
                result = sqlite3_bind_int64(insert_, column, Take<int64_t>(record.data() + at));
                at += 8;
                break;
            case kReal:
                need(8);
                result = sqlite3_bind_double(insert_, column, Take<double>(record.data() + at));
                at += 8;
                break;
            case kText:
            case kBlob: {
                need(4);
                const auto length = Take<uint32_t>(record.data() + at);
                at += 4;
                need(length);
                const char* data = record.data() + at;
                result = tag == kText ? sqlite3_bind_text(insert_, column, data, static_cast<int>(length), SQLITE_STATIC)
                                      : sqlite3_bind_blob(insert_, column, data, static_cast<int>(length), SQLITE_STATIC);
                at += length;
                break;
            }
            default: Fail("a record of table " + platform::WideToAnsi(current_->Name) + " is not readable");
            }
            if (result != SQLITE_OK)
                Fail(std::string(sqlite3_errmsg(db_)));
        }
        rows_ += 1;
        if (sqlite3_step(insert_) != SQLITE_DONE) {
            const std::string message = sqlite3_errmsg(db_);
            sqlite3_reset(insert_);
            Fail("row " + std::to_string(rows_) + ": " + message);
        }
        sqlite3_reset(insert_);
    }

    std::string path_;
    std::string temp_;
    sqlite3* db_ = nullptr;
    bool kept_ = false;
    std::map<std::string, TableInsert> inserts_; // by the table's name as the export names it
    std::vector<std::u16string> made_;           // tables this run made, folded
    TableInsert* current_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    OutputFile sink_;
    std::string pending_;
    int64_t rows_ = 0;
};

bool NamesDatabaseFile(std::string_view path)
{
    for (const char* ending : {".sqlite", ".sqlite3", ".db"})
        if (EndsWithNoCase(path, ending))
            return true;
    return false;
}

class SqliteForm final : public OutputForm {
public:
    std::string Extension() const override { return ".sqlite"; }
    bool NamesFile(std::string_view path) const override { return NamesDatabaseFile(path); }
    std::unique_ptr<TableOutput> StartTable(const ConversionSettings&, const TableDef&, const ColumnPlan& plan) override
    {
        return std::make_unique<SqliteTable>(plan);
    }
    std::unique_ptr<RunOutput> StartRun(const ConversionSettings& settings, std::string& error) override
    {
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
