#include "engine/TypedForms.h"

#include "engine/Records.h"
#include "engine/TypedLines.h"
#include "engine/TypedText.h"
#include "platform/Platform.h"

#include <memory>
#include <vector>

namespace {

// The typed writers build a record's line in a string of their own.
class LineRecords final : public RecordWriter {
public:
    explicit LineRecords(std::unique_ptr<TypedLineWriter> lines) : lines_(std::move(lines)) {}
    void Write(const Fields& values, int64_t row, OutputFile& out, UnrenderedCells&) override {
        line_.clear();
        lines_->Write(values, row, line_);
        out.Write(line_);
    }
    const TypedTextCounts& Counts() const { return lines_->Counts(); }

private:
    std::unique_ptr<TypedLineWriter> lines_;
    std::string line_;
};

class TypedTable : public TableOutput {
public:
    RecordWriter& NewWriter(AttachmentFolder* attachments) override {
        writers_.push_back(std::make_unique<LineRecords>(MakeLines(attachments)));
        return *writers_.back();
    }
    std::string Warning() const override {
        TypedTextCounts total;
        for (const auto& writer : writers_) {
            total.NotFinite += writer->Counts().NotFinite;
            total.CharactersReplaced += writer->Counts().CharactersReplaced;
            total.NoText += writer->Counts().NoText;
        }
        return TypedTextWarning(total);
    }

protected:
    virtual std::unique_ptr<TypedLineWriter> MakeLines(AttachmentFolder* attachments) = 0;

private:
    std::vector<std::unique_ptr<LineRecords>> writers_;
};

class JsonLinesTable final : public TypedTable {
public:
    JsonLinesTable(const Fields& columns, const ColumnPlan& plan) : columns_(columns), plan_(plan) {}
    // Each object names its values: no header.
    std::string Header() override { return {}; }

private:
    std::unique_ptr<TypedLineWriter> MakeLines(AttachmentFolder* attachments) override {
        return std::make_unique<JsonLineWriter>(columns_, plan_, attachments);
    }
    const Fields& columns_;
    const ColumnPlan& plan_;
};

class PortableTable final : public TypedTable {
public:
    PortableTable(const ConversionSettings& settings, const Fields& columns, const ColumnPlan& plan)
        : settings_(settings), columns_(columns), plan_(plan) {}
    std::string Header() override { return PortableLineWriter(settings_, plan_, {}, nullptr).Header(columns_); }
    // A date column is written as dates alone only when no value has a time.
    void Prepare(Recordset& records) override {
        if (settings_.ExportRecords != 0)
            datesWithTime_ = DateColumnsWithTimes(records, columns_, plan_);
    }

private:
    std::unique_ptr<TypedLineWriter> MakeLines(AttachmentFolder* attachments) override {
        return std::make_unique<PortableLineWriter>(settings_, plan_, datesWithTime_, attachments);
    }
    const ConversionSettings& settings_;
    const Fields& columns_;
    const ColumnPlan& plan_;
    std::vector<bool> datesWithTime_;
};

class JsonLinesForm final : public OutputForm {
public:
    std::string Extension() const override { return ".jsonl"; }
    std::unique_ptr<TableOutput> StartTable(const ConversionSettings&, const TableDef& table,
                                            const ColumnPlan& plan) override {
        return std::make_unique<JsonLinesTable>(table.GetFields(), plan);
    }
};

class PortableForm final : public OutputForm {
public:
    std::string Extension() const override { return ".csv"; }
    std::unique_ptr<TableOutput> StartTable(const ConversionSettings& settings, const TableDef& table,
                                            const ColumnPlan& plan) override {
        return std::make_unique<PortableTable>(settings, table.GetFields(), plan);
    }
};

} // namespace

std::unique_ptr<OutputForm> MakeJsonLinesForm() { return std::make_unique<JsonLinesForm>(); }
std::unique_ptr<OutputForm> MakePortableForm() { return std::make_unique<PortableForm>(); }
