// The shared library, loaded at run time by a C program that calls both
// functions by name (dlopen_check.c checks the result codes); here the files
// those calls wrote are compared byte for byte.

#include "tests/support/program/Fixtures.h"
#include "tests/support/program/Harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using harness::Exists;
using harness::ListDir;
using harness::ReadFile;

namespace {

// The library starts from the built-in defaults: a header line, no quotes,
// embedded quotes doubled, line breaks as spaces and commas as full stops.
const std::string kCustomers = "ID,Name,City,Note\r\n"
                               "1,Ann Lee,Oslo,likes \"\"tea\"\"\r\n"
                               "2,Bo. Jr.,,line1  line2\r\n"
                               "3,Cy,,\r\n";
const std::string kCustomersQuoted = "ID,Name,City,Note\r\n"
                                     "1,\"Ann Lee\",\"Oslo\",\"likes \"\"tea\"\"\"\r\n"
                                     "2,\"Bo. Jr.\",,\"line1  line2\"\r\n"
                                     "3,\"Cy\",\"\",\r\n";
const std::string kOrders = "OrderID,Customer,Qty\r\n10,1,5\r\n11,2,-3\r\n";

TEST(Library, CallsFromCConvertAndReturnTheirCodes) {
    harness::ScratchDir scratch;
    const std::string database = scratch / "shop.mdb";
    fixtures::WriteShop(database);

    const harness::RunResult run =
        harness::Run(VARNEX_DLOPEN_CHECK, {VARNEX_LIBRARY, scratch.path(), database}, scratch.path(), scratch.path());
    ASSERT_EQ(run.ExitCode, 0) << run.Out << run.Err;

    const std::vector<std::string> both = {"Customers.csv", "Orders.csv"};
    for (const char* folder : {"argv_out", "str_plain", "str_runs", "str_limit", "status_out"}) {
        SCOPED_TRACE(folder);
        const std::string out = scratch / folder;
        ASSERT_EQ(ListDir(out), both);
        EXPECT_EQ(ReadFile(out + "/Customers.csv"), kCustomers);
        EXPECT_EQ(ReadFile(out + "/Orders.csv"), kOrders);
    }
    // Two calls at once, each into its own folder, each complete.
    for (const char* folder : {"thread1", "thread2"}) {
        SCOPED_TRACE(folder);
        EXPECT_EQ(ReadFile(scratch / folder + "/Customers.csv"), kCustomersQuoted);
        EXPECT_EQ(ReadFile(scratch / folder + "/Orders.csv"), kOrders);
    }
    // The output forms for scripts, asked for in the argument vector and the
    // one text: typed values, and neither the commas nor the quoting of the
    // locale form.
    EXPECT_EQ(ListDir(scratch / "argv_jsonl"), (std::vector<std::string>{"Customers.jsonl", "Orders.jsonl"}));
    EXPECT_EQ(ReadFile(scratch / "argv_jsonl/Customers.jsonl"),
              "{\"ID\":1,\"Name\":\"Ann Lee\",\"City\":\"Oslo\",\"Note\":\"likes \\\"tea\\\"\"}\n"
              "{\"ID\":2,\"Name\":\"Bo, Jr.\",\"City\":null,\"Note\":\"line1\\r\\nline2\"}\n"
              "{\"ID\":3,\"Name\":\"Cy\",\"City\":\"\",\"Note\":null}\n");
    EXPECT_EQ(
        ReadFile(scratch / "str_portable/Customers.csv"),
        "ID,Name,City,Note\r\n1,Ann Lee,Oslo,\"likes \"\"tea\"\"\"\r\n2,\"Bo, Jr.\",,\"line1\r\nline2\"\r\n3,Cy,,\r\n");
    EXPECT_EQ(ReadFile(scratch / "str_portable/Orders.csv"), kOrders);
    // --schema writes the statements instead of converting: to the file
    // named, or into the folder after the database; --format=sql the rows.
    EXPECT_EQ(ListDir(scratch / "argv_schema"), (std::vector<std::string>{"shop.schema.sql", "tables.sql"}));
    const std::string postgres = ReadFile(scratch / "argv_schema/tables.sql");
    EXPECT_NE(postgres.find("CREATE TABLE \"Customers\" (\n  \"ID\" INTEGER"), std::string::npos) << postgres;
    EXPECT_NE(postgres.find("CREATE TABLE \"Orders\""), std::string::npos);
    const std::string mysql = ReadFile(scratch / "argv_schema/shop.schema.sql");
    EXPECT_NE(mysql.find("CREATE TABLE `Customers`"), std::string::npos) << mysql;
    EXPECT_EQ(ListDir(scratch / "argv_sql"), (std::vector<std::string>{"Customers.sql", "Orders.sql"}));
    const std::string rows = ReadFile(scratch / "argv_sql/Customers.sql");
    EXPECT_NE(rows.find("(1, 'Ann Lee', 'Oslo', 'likes \"tea\"'),\n(2, 'Bo, Jr.', NULL, 'line1\r\nline2'),\n"
                        "(3, 'Cy', '', NULL);\nCOMMIT;\n"),
              std::string::npos)
        << rows;
    // Calls that returned early wrote nothing; the library writes no status file.
    for (const char* folder : {"str_lost", "str_space"})
        EXPECT_TRUE(ListDir(scratch / folder).empty()) << folder;
    EXPECT_FALSE(Exists(scratch / "status.ini"));
}

} // namespace
