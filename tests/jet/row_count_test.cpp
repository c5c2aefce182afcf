// The stored row count against the rows a scan reads, over every sample: a
// table that yields fewer rows than it counts is reported as failed by the
// export, which is only right if undamaged files never do.

#include "CorpusFiles.h"

#include "jet/JetEngine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>

namespace fs = std::filesystem;

namespace {

TEST(JetRowCount, UndamagedSamplesNeverYieldFewerRowsThanTheyCount) {
    SKIP_WITHOUT_CORPUS();
    const auto engine = CreateJetEngine(true);
    int files = 0, tables = 0, equal = 0, more = 0;
    jettest::ForEachOpenedSample(*engine, [&](const fs::path& relative, Database& database) {
        ++files;
        const auto tableDefs = database.GetTableDefs();
        for (int32_t i = 0; i < tableDefs->Count(); ++i) {
            const std::u16string name(tableDefs->Item(i)->Name());
            std::unique_ptr<Recordset> records;
            try {
                records = database.OpenRecordset(name);
            } catch (const EngineError&) {
                continue; // linked tables hold no rows here
            }
            int32_t rows = 0;
            for (; !records->Eof(); records->MoveNext())
                ++rows;
            const int32_t counted = records->RecordCount();
            ++tables;
            EXPECT_GE(rows, counted) << jettest::Utf8(name);
            if (rows == counted)
                ++equal;
            else if (rows > counted) {
                ++more;
                std::cout << "[ figures ] " << relative.generic_string() << " / " << jettest::Utf8(name) << ": "
                          << rows << " rows, counted " << counted << "\n";
            }
        }
    });
    std::cout << "[ figures ] " << files << " files, " << tables << " tables (system tables included): " << equal
              << " read exactly their count, " << more << " more than it, " << (tables - equal - more)
              << " fewer\n";
}

} // namespace
