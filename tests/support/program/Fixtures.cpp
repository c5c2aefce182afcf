#include "tests/support/program/Fixtures.h"

#include "tools/mkdb/MdbDescription.h"

namespace fixtures {

namespace {

CellValue Int(std::int64_t value) { return CellValue::fromInt(value); }
CellValue Text(std::string value) { return CellValue::fromText(std::move(value)); }
CellValue Null() { return CellValue::null(); }

} // namespace

void WriteShop(const std::string& path) {
    TableSpec customers;
    customers.name = "Customers";
    customers.columns = {
        {"ID", JetType::Long}, {"Name", JetType::Text, 50}, {"City", JetType::Text, 50}, {"Note", JetType::Memo}};
    customers.rows = {
        {Int(1), Text("Ann Lee"), Text("Oslo"), Text("likes \"tea\"")},
        {Int(2), Text("Bo, Jr."), Null(), Text("line1\r\nline2")},
        {Int(3), Text("Cy"), Text(""), Null()},
    };

    TableSpec orders;
    orders.name = "Orders";
    orders.columns = {{"OrderID", JetType::Long}, {"Customer", JetType::Long}, {"Qty", JetType::Integer}};
    orders.rows = {{Int(10), Int(1), Int(5)}, {Int(11), Int(2), Int(-3)}};

    MdbDescription description;
    description.tables = {customers, orders};
    WriteMdb(description, path);
}

void WriteStock(const std::string& path) {
    TableSpec items;
    items.name = "Items";
    items.columns = {{"Code", JetType::Long}, {"Label", JetType::Text, 20}};
    items.rows = {{Int(7), Text("bolt")}, {Int(8), Text("nut")}};

    MdbDescription description;
    description.tables = {items};
    WriteMdb(description, path);
}

} // namespace fixtures
