// What a new output form can rely on: the forms are found by the names
// --format= takes, each names its own files, and a record writer is used by
// one thread only, fed every record once in the table's order.

#include "engine/Export.h"
#include "engine/Records.h"
#include "engine/TableForm.h"

#include "tests/support/engine/EngineTestSupport.h"

#include <map>
#include <mutex>
#include <set>
#include <thread>

using namespace enginetest;

namespace {

const char* const kDb = "/db/forms.mdb";

TEST(FormsTest, EveryRegisteredFormIsMadeAndNamesItsOwnFiles) {
    ConversionSettings settings;
    std::set<std::string> extensions, kinds;
    for (const FormEntry& entry : RegisteredForms()) {
        // The dialects of one form (sql:sqlite, sql:mysql) share its files.
        const std::string name = entry.Name;
        kinds.insert(name.substr(0, name.find(':')));
        settings.Format = entry.Format;
        settings.Portable = 0;
        const std::unique_ptr<OutputForm> form = FormFor(settings);
        ASSERT_TRUE(form) << entry.Name;
        const std::string extension = form->Extension();
        ASSERT_FALSE(extension.empty()) << entry.Name;
        EXPECT_EQ(extension.front(), '.') << entry.Name;
        EXPECT_TRUE(form->NamesFile("/out/T" + extension)) << entry.Name;
        EXPECT_FALSE(form->NamesFile("/out/folder")) << entry.Name;
        extensions.insert(extension);
    }
    // Two forms writing the same extension would take each other's files.
    EXPECT_EQ(extensions.size(), kinds.size());
    settings.Format = TableFormat::Csv;
    settings.Portable = 1;
    EXPECT_EQ(FormFor(settings)->Extension(), ".csv");
}

// Writes each record's Id and notes which threads used it.
class IdWriter final : public RecordWriter {
public:
    void Write(const Fields& values, int64_t, OutputFile& out, UnrenderedCells&) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            threads_.insert(std::this_thread::get_id());
        }
        out.Write(std::to_string(values.Item(0).Value().I4) + "\n");
    }
    std::size_t Threads() {
        std::lock_guard<std::mutex> lock(mutex_);
        return threads_.size();
    }

private:
    std::mutex mutex_;
    std::set<std::thread::id> threads_;
};

class FormsPartsTest : public EngineTest {};

TEST_F(FormsPartsTest, WritersInPartsKeepToOneThreadAndTheTablesOrder) {
    auto file = memdb::Register(kDb);
    memdb::Table& table = file->AddTable("Ids", {{"Id", DaoType::Long}});
    std::string expected;
    for (int r = 0; r < 900; ++r) {
        table.Row({memdb::Long(r)});
        table.RowBlocks.push_back(r / 30);
        expected += std::to_string(r) + "\n";
    }
    table.Blocks = 30;
    Open(kDb);
    for (int32_t threads : {1, 4}) {
        std::vector<std::unique_ptr<IdWriter>> owned;
        std::vector<RecordWriter*> writers;
        for (int32_t k = 0; k < threads; ++k) {
            owned.push_back(std::make_unique<IdWriter>());
            writers.push_back(owned.back().get());
        }
        std::unique_ptr<Recordset> records =
            settings.CurrentDatabase->OpenRecordsetOf(*settings.CurrentDatabase->GetTableDefs()->Item(0));
        OutputFile out;
        out.OpenMemory();
        const std::optional<RecordsWritten> written = WriteRecordsInParts(nullptr, settings, out, *records, writers, 0);
        ASSERT_TRUE(written) << threads;
        EXPECT_EQ(written->Count, 900) << threads;
        EXPECT_EQ(std::string(out.Bytes()), expected) << threads;
        for (const auto& writer : owned)
            EXPECT_LE(writer->Threads(), 1u) << threads;
    }
    // No writers: nothing is taken, nothing written.
    std::unique_ptr<Recordset> records =
        settings.CurrentDatabase->OpenRecordsetOf(*settings.CurrentDatabase->GetTableDefs()->Item(0));
    OutputFile out;
    out.OpenMemory();
    EXPECT_FALSE(WriteRecordsInParts(nullptr, settings, out, *records, {}, 0));
    EXPECT_TRUE(out.Bytes().empty());
}

} // namespace
