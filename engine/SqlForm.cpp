#include "engine/SqlForm.h"

#include "engine/Records.h"
#include "engine/RunTarget.h"
#include "engine/SqlLiterals.h"
#include "engine/Utf8Text.h"
#include "platform/Platform.h"

#include <deque>
#include <set>

namespace {

// A statement takes rows until it holds this many, or this many bytes: the
// servers' packet limits (MySQL's is 16 MiB and up) stay far off, and a
// large memo column still shares its statement with a few others.
constexpr int64_t kRowsPerStatement = 200;
constexpr std::size_t kStatementBytes = 1u << 20;

// The whole run in one script: a file named *.sql, or standard output.
// Each database's tables are made first (a table of the same name from an
// earlier database of the run is made once), then filled table by table,
// then the foreign keys are added, once every table they join holds its rows.
class SqlTarget final : public RunOutput {
public:
    SqlTarget(SqlDialect dialect, const ConversionSettings& settings) : dialect_(dialect), settings_(settings) {}

    bool OpenFile(const std::string& path, std::string& error) {
        path_ = path;
        temp_ = path + ".incomplete";
        platform::RemoveFile(temp_);
        if (!sink_.OpenAppend(temp_)) {
            error = "cannot create the output file " + path;
            return false;
        }
        return true;
    }
    void OpenStandardOutput(std::FILE* stream) { sink_.OpenStandardOutput(stream, "\n"); }

    std::string Name() const override { return path_.empty() ? std::string("standard output") : path_; }
    bool Begin(const std::vector<TableSchema>& tables, const std::vector<RelationshipSchema>& relationships,
               std::string&) override {
        std::string text;
        // The client must read the script as UTF-8 whatever its own default.
        if (!begun_ && dialect_ == SqlDialect::MySql)
            text += "SET NAMES utf8mb4;\n";
        begun_ = true;
        relationships_.clear();
        if (settings_.DataOnly == 0) {
            const auto among = [&](std::u16string_view name) {
                return std::any_of(tables.begin(), tables.end(), [&](const TableSchema& t) { return t.Name == name; });
            };
            for (const TableSchema& table : tables)
                if (made_.insert(table.Name).second)
                    text += TableStatements(dialect_, table, relationships, among) + "\n";
            relationships_ = relationships;
            tables_ = tables;
        }
        sink_.Write(text);
        sink_.EndRecord();
        return !sink_.Failed();
    }
    OutputFile& Sink(std::string_view) override {
        transactionOpen_ = false;
        return sink_;
    }
    bool EndTable(bool complete, std::string& error) override {
        // A table cut short leaves its last statement open and its rows
        // uncommitted: both are closed, the rows undone, so that the tables
        // after it still load.
        if (!complete && transactionOpen_) {
            sink_.Write(";\nROLLBACK;\n");
            sink_.EndRecord();
        }
        transactionOpen_ = false;
        if (sink_.Failed()) {
            error = "could not write all of " + Name();
            return false;
        }
        return true;
    }
    bool End(std::string& error) override {
        const auto among = [&](std::u16string_view name) {
            return std::any_of(tables_.begin(), tables_.end(), [&](const TableSchema& t) { return t.Name == name; });
        };
        // Added once: the tables of a later database of the run are the same tables.
        std::erase_if(relationships_,
                      [&](const RelationshipSchema& r) { return !added_.insert(r.Table + u"\n" + r.Name).second; });
        std::string text = ForeignKeyStatements(dialect_, relationships_, among);
        relationships_.clear();
        sink_.Write(text);
        sink_.EndRecord();
        if (sink_.Failed()) {
            error = "could not write all of " + Name();
            return false;
        }
        return true;
    }
    bool Finish(bool keep, std::string& error) override {
        const bool closed = sink_.Close();
        if (path_.empty()) {
            if (!closed)
                error = "could not write all of standard output";
            return closed;
        }
        if (!keep || !closed) {
            platform::RemoveFile(temp_);
            if (!closed)
                error = "could not write all of " + path_;
            return closed;
        }
        if (!platform::MoveFileOver(temp_, path_)) {
            platform::RemoveFile(temp_);
            error = "could not replace " + path_;
            return false;
        }
        return true;
    }
    // A table's first row opened its transaction.
    void TransactionOpened() { transactionOpen_ = true; }

private:
    SqlDialect dialect_;
    const ConversionSettings& settings_;
    OutputFile sink_;
    std::string path_, temp_;
    bool begun_ = false;
    bool transactionOpen_ = false;
    std::set<std::u16string> made_, added_;
    std::vector<TableSchema> tables_;
    std::vector<RelationshipSchema> relationships_;
};

class SqlRecords final : public RecordWriter {
public:
    SqlRecords(SqlDialect dialect, std::string insert, const ColumnPlan& plan, AttachmentFolder* attachments,
               SqlTarget* target)
        : dialect_(dialect), insert_(std::move(insert)), plan_(plan), attachments_(attachments), target_(target) {}
    void Write(const Fields& values, int64_t row, OutputFile& out, UnrenderedCells&) override {
        line_.clear();
        if (rows_ == 0) {
            line_ += dialect_ == SqlDialect::MySql ? "START TRANSACTION;\n" : "BEGIN;\n";
            if (target_)
                target_->TransactionOpened();
        }
        if (inStatement_ == 0 || inStatement_ >= kRowsPerStatement || statementBytes_ >= kStatementBytes) {
            if (inStatement_ != 0)
                line_ += ";\n";
            line_ += insert_;
            inStatement_ = 0;
            statementBytes_ = 0;
        } else {
            line_ += ",\n";
        }
        const AttachmentTarget target{attachments_, row};
        line_ += '(';
        for (std::size_t k = 0; k < plan_.Exported.size(); ++k) {
            if (k != 0)
                line_ += ", ";
            AppendSqlLiteral(dialect_, values.Item(plan_.Exported[k]), target, line_, counts_);
        }
        line_ += ')';
        out.Write(line_);
        rows_ += 1;
        inStatement_ += 1;
        statementBytes_ += line_.size();
    }
    int64_t Rows() const { return rows_; }
    const TypedTextCounts& Counts() const { return counts_; }

private:
    SqlDialect dialect_;
    std::string insert_; // INSERT INTO "T" ("A", "B") VALUES and a line break
    const ColumnPlan& plan_;
    AttachmentFolder* attachments_;
    SqlTarget* target_;
    TypedTextCounts counts_;
    std::string line_;
    int64_t rows_ = 0;
    int64_t inStatement_ = 0;
    std::size_t statementBytes_ = 0;
};

// PostgreSQL's identity keeps its own count, which rows given their number
// never move: the next row added would take a number already there.
std::string IdentityCatchUp(const TableSchema& table) {
    std::string out;
    for (const ColumnSchema& column : table.Columns) {
        if (!column.AutoNumber || column.Type != DaoType::Long)
            continue;
        const std::string tableName = QuotedName(SqlDialect::Postgres, table.Name);
        const std::string columnName = QuotedName(SqlDialect::Postgres, column.Name);
        // The table is read as a name of the language (quoted, its case
        // kept), the column as it is spelt.
        std::string tableText, columnText, plainColumn;
        AppendUtf8(column.Name, plainColumn);
        AppendSqlString(SqlDialect::Postgres, tableName, tableText);
        AppendSqlString(SqlDialect::Postgres, plainColumn, columnText);
        out += "SELECT setval(pg_get_serial_sequence(" + tableText + ", " + columnText + "), COALESCE(MAX(" +
               columnName + "), 0) + 1, false) FROM " + tableName + ";\n";
    }
    return out;
}

class SqlTable final : public TableOutput {
public:
    SqlTable(SqlDialect dialect, const ConversionSettings& settings, const TableDef& table, const ColumnPlan& plan)
        : dialect_(dialect), settings_(settings), plan_(plan) {
        // A definition the reader cannot describe still makes a table that
        // takes the rows: the columns as the fields name them.
        try {
            schema_ = ExportedSchema(settings, table);
        } catch (const EngineError&) {
            schema_ = SchemaFromFields(table.Name(), table.GetFields());
        }
        insert_ = "INSERT INTO " + QuotedName(dialect, table.Name()) + " (";
        const Fields& columns = table.GetFields();
        for (std::size_t k = 0; k < plan.Exported.size(); ++k)
            insert_ += (k != 0 ? ", " : "") + QuotedName(dialect, columns.Item(plan.Exported[k]).Name());
        insert_ += ") VALUES\n";
    }
    std::string Header() override {
        // In one script for the run the tables were made at its start.
        if (target_)
            return {};
        // The client must read the file as UTF-8 whatever its own default.
        std::string out = dialect_ == SqlDialect::MySql ? "SET NAMES utf8mb4;\n" : "";
        if (settings_.DataOnly != 0)
            return out;
        // SQLite keeps a table's foreign keys in the table itself; they may
        // name any table this run writes.
        const std::string list = settings_.TableList.value_or(std::string());
        const auto referable = [&](std::u16string_view name) {
            return list.find(";" + platform::WideToAnsi(name) + ";") != std::string::npos;
        };
        std::vector<RelationshipSchema> relationships;
        try {
            if (settings_.CurrentDatabase)
                relationships = settings_.CurrentDatabase->Relationships();
        } catch (const EngineError&) {
            // The tables load all the same; only the keys between them are missing.
        }
        return out + TableStatements(dialect_, schema_, relationships, referable);
    }
    RecordWriter& NewWriter(AttachmentFolder* attachments) override {
        writers_.emplace_back(dialect_, insert_, plan_, attachments, target_);
        return writers_.back();
    }
    bool InParts() const override { return false; }
    std::string Footer() override {
        int64_t rows = 0;
        for (const SqlRecords& writer : writers_)
            rows += writer.Rows();
        if (rows == 0)
            return {};
        std::string out = ";\n";
        if (dialect_ == SqlDialect::Postgres)
            out += IdentityCatchUp(schema_);
        return out + "COMMIT;\n";
    }
    std::string Warning() const override {
        TypedTextCounts total;
        for (const SqlRecords& writer : writers_) {
            total.NotFinite += writer.Counts().NotFinite;
            total.CharactersReplaced += writer.Counts().CharactersReplaced;
            total.NoText += writer.Counts().NoText;
        }
        return TypedTextWarning(total);
    }

private:
    SqlDialect dialect_;
    const ConversionSettings& settings_;
    const ColumnPlan& plan_;
    TableSchema schema_;
    std::string insert_;
    SqlTarget* target_ = dynamic_cast<SqlTarget*>(settings_.Target);
    std::deque<SqlRecords> writers_;
};

class SqlForm final : public OutputForm {
public:
    explicit SqlForm(SqlDialect dialect) : dialect_(dialect) {}
    std::string Extension() const override { return ".sql"; }
    std::unique_ptr<TableOutput> StartTable(const ConversionSettings& settings, const TableDef& table,
                                            const ColumnPlan& plan) override {
        return std::make_unique<SqlTable>(dialect_, settings, table, plan);
    }
    // Standard output, or an output path naming a .sql file, takes the whole
    // run as one script; a folder takes a file per table.
    std::unique_ptr<RunOutput> StartRun(const ConversionSettings& settings, std::string& error) override {
        auto target = std::make_unique<SqlTarget>(dialect_, settings);
        if (settings.StandardOutput) {
            target->OpenStandardOutput(settings.StandardOutput);
            return target;
        }
        const std::string path = settings.OutputPath.str();
        if (!NamesFile(path))
            return nullptr;
        if (!target->OpenFile(path, error))
            return nullptr;
        return target;
    }

private:
    SqlDialect dialect_;
};

} // namespace

std::unique_ptr<OutputForm> MakeSqlForm(SqlDialect dialect) { return std::make_unique<SqlForm>(dialect); }

TableSchema SchemaFromFields(std::u16string_view name, const Fields& columns) {
    TableSchema schema;
    schema.Name = name;
    for (int32_t i = 0; i < columns.Count(); ++i) {
        ColumnSchema column;
        column.Name = columns.Item(i).Name();
        column.Type = columns.Item(i).Type();
        schema.Columns.push_back(std::move(column));
    }
    return schema;
}
