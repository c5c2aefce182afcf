#include "engine/TypedExport.h"

#include "engine/TypedLines.h"
#include "platform/Platform.h"

#include <variant>

std::string TypedHeaderLine(const ConversionSettings& settings, const Fields& columns, const ColumnPlan& plan)
{
    if (settings.Format == TableFormat::JsonLines)
        return {};
    return PortableLineWriter(settings, plan, {}, nullptr).Header(columns);
}

RecordsWritten WriteTypedRecords(ProgressDisplay* window, ConversionSettings& settings, OutputFile& file,
                                 Recordset& records, const Fields& columns, const ColumnPlan& plan, int32_t total,
                                 AttachmentFolder* attachments, TypedTextCounts& counts)
{
    if (settings.ExportRecords == 0 || total == 0)
        return {0, false, records.ValuesLeftEmpty(), settings.ExportRecords == 0 ? 0 : records.RowsUnreadable(), {}};
    std::variant<JsonLineWriter, PortableLineWriter> writer =
        settings.Format == TableFormat::JsonLines
            ? std::variant<JsonLineWriter, PortableLineWriter>(std::in_place_type<JsonLineWriter>, columns, plan,
                                                               attachments)
            : std::variant<JsonLineWriter, PortableLineWriter>(std::in_place_type<PortableLineWriter>, settings,
                                                               plan, DateColumnsWithTimes(records, columns, plan),
                                                               attachments);
    records.MoveFirst();
    int64_t start = 0;
    if (window) {
        window->ProgressStartTable(total);
        start = platform::SecondsNow();
    }
    int32_t written = 0;
    std::string line;
    while (!settings.StopRequested.load(std::memory_order_relaxed) && !records.Eof() && !file.Failed()) {
        if (window) {
            window->ProgressStep();
            window->ProgressTimes(start, platform::SecondsNow(), written, total);
        }
        line.clear();
        std::visit([&](auto& w) { w.Write(records.GetFields(), int64_t{written} + 1, line); }, writer);
        file.Write(line);
        file.EndRecord();
        settings.RecordsDone += 1;
        records.MoveNext();
        written += 1;
    }
    counts = std::visit([](auto& w) { return w.Counts(); }, writer);
    return {written, !records.Eof(), records.ValuesLeftEmpty(), records.RowsUnreadable(), {}};
}
