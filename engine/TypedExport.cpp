#include "engine/TypedExport.h"

#include "engine/TypedLines.h"
#include "platform/Platform.h"

#include <memory>

std::string TypedHeaderLine(const ConversionSettings& settings, const Fields& columns, const ColumnPlan& plan)
{
    if (settings.Format == TableFormat::JsonLines)
        return {};
    return PortableLineWriter(settings, plan, {}, nullptr).Header(columns);
}

namespace {

std::unique_ptr<TypedLineWriter> MakeWriter(const ConversionSettings& settings, const Fields& columns,
                                            const ColumnPlan& plan, const std::vector<bool>& datesWithTime,
                                            AttachmentFolder* attachments)
{
    if (settings.Format == TableFormat::JsonLines)
        return std::make_unique<JsonLineWriter>(columns, plan, attachments);
    return std::make_unique<PortableLineWriter>(settings, plan, datesWithTime, attachments);
}

void Add(TypedTextCounts& to, const TypedTextCounts& more)
{
    to.NotFinite += more.NotFinite;
    to.CharactersReplaced += more.CharactersReplaced;
    to.NoText += more.NoText;
}

} // namespace

RecordsWritten WriteTypedRecords(ProgressDisplay* window, ConversionSettings& settings, OutputFile& file,
                                 Recordset& records, const Fields& columns, const ColumnPlan& plan, int32_t total,
                                 AttachmentFolder* attachments, TypedTextCounts& counts)
{
    if (settings.ExportRecords == 0 || total == 0)
        return {0, false, records.ValuesLeftEmpty(), settings.ExportRecords == 0 ? 0 : records.RowsUnreadable(), {}};
    const std::vector<bool> datesWithTime = settings.Format == TableFormat::JsonLines
                                                ? std::vector<bool>()
                                                : DateColumnsWithTimes(records, columns, plan);
    // In parts as the CSV is, each thread with a writer of its own, made
    // here before they start; attachment files are named by the record's
    // number in the table, which only one thread knows.
    if (!window && !attachments) {
        const int32_t threads = ThreadsFor(settings, records.BlockCount());
        if (threads > 1) {
            std::vector<std::unique_ptr<TypedLineWriter>> writers;
            std::vector<RecordLines*> lines;
            for (int32_t k = 0; k < threads; ++k) {
                writers.push_back(MakeWriter(settings, columns, plan, datesWithTime, nullptr));
                lines.push_back(writers.back().get());
            }
            if (std::optional<RecordsWritten> inParts =
                    WriteRecordsInParts(settings, file, records, plan, threads, lines)) {
                for (const auto& writer : writers)
                    Add(counts, writer->Counts());
                return *inParts;
            }
        }
    }
    const std::unique_ptr<TypedLineWriter> writer = MakeWriter(settings, columns, plan, datesWithTime, attachments);
    records.MoveFirst();
    int64_t start = 0;
    if (window) {
        window->ProgressStartTable(total);
        start = platform::SecondsNow();
    }
    int32_t written = 0;
    std::string line;
    while (!settings.StopRequested.load(std::memory_order_relaxed) && !records.Eof()) {
        if (window) {
            window->ProgressStep();
            window->ProgressTimes(start, platform::SecondsNow(), written, total);
        }
        line.clear();
        writer->Write(records.GetFields(), int64_t{written} + 1, line);
        file.Write(line);
        settings.RecordsDone += 1;
        records.MoveNext();
        written += 1;
    }
    Add(counts, writer->Counts());
    return {written, !records.Eof(), records.ValuesLeftEmpty(), records.RowsUnreadable(), {}};
}
