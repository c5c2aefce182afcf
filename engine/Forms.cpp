#include "engine/TableForm.h"

#include "engine/CsvForm.h"
#include "engine/SqlForm.h"
#include "engine/SqliteForm.h"
#include "engine/TypedForms.h"

bool OutputForm::NamesFile(std::string_view path) const { return EndsWithNoCase(path, Extension()); }

std::unique_ptr<RunOutput> OutputForm::StartRun(const ConversionSettings&, std::string&) { return nullptr; }

const std::vector<FormEntry>& RegisteredForms() {
    static const std::vector<FormEntry> forms = {
        {"csv", TableFormat::Csv},
        {"jsonl", TableFormat::JsonLines},
        {"sql:sqlite", TableFormat::SqlSqlite},
        {"sql:postgres", TableFormat::SqlPostgres},
        {"sql:mysql", TableFormat::SqlMySql},
        {"sqlite", TableFormat::Sqlite},
    };
    return forms;
}

std::unique_ptr<OutputForm> FormFor(const ConversionSettings& settings) {
    switch (settings.Format) {
    case TableFormat::JsonLines: return MakeJsonLinesForm();
    case TableFormat::SqlSqlite: return MakeSqlForm(SqlDialect::Sqlite);
    case TableFormat::SqlPostgres: return MakeSqlForm(SqlDialect::Postgres);
    case TableFormat::SqlMySql: return MakeSqlForm(SqlDialect::MySql);
    case TableFormat::Sqlite: return MakeSqliteForm();
    case TableFormat::Csv: break;
    }
    // --portable changes how the CSV reads, not what it is.
    return settings.Portable != 0 ? MakePortableForm() : MakeCsvForm();
}
