// The order of the table collection: the catalog's (ParentId, Name) index
// where it can be walked, the database's collation where not. The samples'
// own indexes are the reference the collation is checked against.

#include "CorpusFiles.h"
#include "ReadBack.h"

#include "../tools/MdbToolsOracle.h"
#include "../tools/TableBuilding.h"

#include "jet/Catalog.h"
#include "jet/CatalogIndex.h"
#include "jet/Collation.h"
#include "jet/JetEngine.h"
#include "jet/TableDefinition.h"
#include "tools/mkdb/MdbDescription.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

namespace fs = std::filesystem;

std::vector<std::u16string> Sorted(std::vector<std::u16string> names, uint16_t sortOrder) {
    std::stable_sort(names.begin(), names.end(),
                     [sortOrder](const auto& a, const auto& b) { return jet::CollateNames(a, b, sortOrder) < 0; });
    return names;
}

TEST(Collation, GeneralOrderPutsSignsBeforeDigitsBeforeLettersAndAccentsBesideTheirBase) {
    const std::vector<std::u16string> expected{u"_Archive", u"~TMPCLP1",  u"1st",         u"9lives",  u"Apfel",
                                               u"Äpfel",    u"Apfelbaum", u"coop",        u"co-op",   u"Order Details",
                                               u"Orders",   u"Table1",    u"Table1_desc", u"Table10", u"table2",
                                               u"Umsatz",   u"Umsätze",   u"Zebra",       u"Ωmega"};
    std::vector<std::u16string> shuffled(expected.rbegin(), expected.rend());
    std::rotate(shuffled.begin(), shuffled.begin() + 7, shuffled.end());
    EXPECT_EQ(Sorted(shuffled, 0x0409), expected);
    // Names equal but for case still have one place.
    EXPECT_LT(jet::CollateNames(u"ABC", u"abc", 0x0409) * jet::CollateNames(u"abc", u"ABC", 0x0409), 0);
}

TEST(Collation, NordicOrdersPutTheirLettersAfterZ) {
    const std::vector<std::u16string> general{u"Apa", u"Åsa", u"Öl", u"Zoo"};
    EXPECT_EQ(Sorted(general, 0x0409), (std::vector<std::u16string>{u"Apa", u"Åsa", u"Öl", u"Zoo"}));
    EXPECT_EQ(Sorted(general, 0x041D), (std::vector<std::u16string>{u"Apa", u"Zoo", u"Åsa", u"Öl"}));
}

// Every sample's catalog index against our collation of the same names.
TEST(Collation, MatchesTheIndexOrderOfEverySample) {
    SKIP_WITHOUT_CORPUS();
    int files = 0;
    for (const auto& item : fs::recursive_directory_iterator(jettest::CorpusDir())) {
        const fs::path& path = item.path();
        if (path.extension() != ".mdb" && path.extension() != ".accdb")
            continue;
        const fs::path relative = fs::relative(path, jettest::CorpusDir());
        if (relative.begin()->string() == "encryption" ||
            relative.string().find("V2010_with-password") != std::string::npos)
            continue;
        jet::PageFile file(path.string());
        const jet::TableDefinition catalog = jet::ReadTableDefinition(file, 2);
        EXPECT_FALSE(jet::CatalogIndexOrder(file, catalog).empty()) << relative;
        std::vector<std::u16string> indexed;
        for (const jet::CatalogTable& table : jet::ReadCatalog(file))
            indexed.push_back(table.Name);
        EXPECT_EQ(Sorted(indexed, file.GetHeader().SortOrder), indexed) << relative;
        ++files;
    }
    EXPECT_GT(files, 20);
}

// Files without a catalog index (the writer makes none) are listed in the
// collation's order.
TEST(Collation, FilesWithoutAnIndexAreListedInCollationOrder) {
    using namespace building;
    MdbDescription description;
    for (const char* name : {"Zebra", "table2", "Table10", "Table1_desc", "~TMPCLP1", "Äpfel", "Apfel", "1st"}) {
        TableSpec table;
        table.name = name;
        table.columns = {Col("ID", JetType::Long)};
        description.tables.push_back(table);
    }
    oracle::Scratch scratch;
    const std::string path = scratch.file("order.mdb");
    WriteMdb(description, path);
    const auto engine = CreateJetEngine(true);
    const auto database = jettest::Open(*engine, path);
    EXPECT_EQ(jettest::TableNames(*database),
              (std::vector<std::string>{"~TMPCLP1", "1st", "Apfel", "Äpfel", "MSysObjects", "Table1_desc", "Table10",
                                        "table2", "Zebra"}));
}

} // namespace
