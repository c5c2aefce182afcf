#include "engine/TableForm.h"

#include "engine/CsvForm.h"
#include "engine/SqlForm.h"
#include "engine/TypedForms.h"

bool OutputForm::NamesFile(std::string_view path) const
{
    return EndsWithNoCase(path, Extension());
}

const std::vector<FormEntry>& RegisteredForms()
{
    static const std::vector<FormEntry> forms = {
        {"csv", TableFormat::Csv},
        {"jsonl", TableFormat::JsonLines},
        {"sql:sqlite", TableFormat::SqlSqlite},
        {"sql:postgres", TableFormat::SqlPostgres},
        {"sql:mysql", TableFormat::SqlMySql},
    };
    return forms;
}

std::unique_ptr<OutputForm> FormFor(const ConversionSettings& settings)
{
    switch (settings.Format) {
    case TableFormat::JsonLines:
        return MakeJsonLinesForm();
    case TableFormat::SqlSqlite:
        return MakeSqlForm(SqlDialect::Sqlite);
    case TableFormat::SqlPostgres:
        return MakeSqlForm(SqlDialect::Postgres);
    case TableFormat::SqlMySql:
        return MakeSqlForm(SqlDialect::MySql);
    case TableFormat::Csv:
        break;
    }
    // --portable changes how the CSV reads, not what it is.
    return settings.Portable != 0 ? MakePortableForm() : MakeCsvForm();
}
