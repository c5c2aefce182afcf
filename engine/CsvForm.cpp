#include "engine/CsvForm.h"

#include "engine/Cells.h"
#include "engine/HeaderCell.h"
#include "engine/Records.h"

#include <deque>

namespace {

class CsvRecords final : public RecordWriter {
public:
    CsvRecords(const ConversionSettings& settings, const ColumnPlan& plan, AttachmentFolder* attachments)
        : cells_(settings), plan_(plan), fields_(settings.Fields), records_(settings.Records) {
        if (attachments)
            cells_.WriteAttachmentsTo(attachments);
    }
    void Write(const Fields& values, int64_t row, OutputFile& out, UnrenderedCells& unrendered) override {
        WriteRecord(cells_, out, values, plan_, fields_, records_, unrendered, row);
    }

private:
    TableCellWriter cells_;
    const ColumnPlan& plan_;
    std::string_view fields_;
    std::string_view records_;
};

class CsvTable final : public TableOutput {
public:
    CsvTable(const ConversionSettings& settings, const ColumnPlan& plan) : settings_(settings), plan_(plan) {}
    std::string Header() override { return CsvHeaderLine(settings_, plan_); }
    RecordWriter& NewWriter(AttachmentFolder* attachments) override {
        return writers_.emplace_back(settings_, plan_, attachments);
    }

private:
    const ConversionSettings& settings_;
    const ColumnPlan& plan_;
    std::deque<CsvRecords> writers_; // stable addresses for the threads holding them
};

class CsvForm final : public OutputForm {
public:
    std::string Extension() const override { return ".csv"; }
    std::unique_ptr<TableOutput> StartTable(const ConversionSettings& settings, const TableDef&,
                                            const ColumnPlan& plan) override {
        return std::make_unique<CsvTable>(settings, plan);
    }
};

} // namespace

std::string CsvHeaderLine(const ConversionSettings& settings, const ColumnPlan& plan) {
    std::string line;
    if (!settings.Header)
        return line;
    // The delimiter goes between exported columns only: a trailing one would
    // read as one more, empty column when the table's last column is left out.
    bool first = true;
    for (int32_t i : plan.Exported) {
        if (!first)
            line += settings.Fields.str();
        first = false;
        line += HeaderCell(settings, plan.Names[static_cast<std::size_t>(i)]);
    }
    line += settings.Records.str();
    return line;
}

std::unique_ptr<OutputForm> MakeCsvForm() { return std::make_unique<CsvForm>(); }
