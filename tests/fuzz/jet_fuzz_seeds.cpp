// Writes seed databases for the reader's fuzzer that reach what the sample
// files do not: calculated results of every form, linked-table entries of
// each kind, links that lead back to the fuzzed file itself (it is always
// input.mdb), a catalog with names alike but for case, and Jet3 rows with
// jump tables in another code page and in a double-byte one.

#include "tools/mkdb/MdbDescription.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

ColumnSpec Column(const std::string& name, JetType type, int size = 0) {
    ColumnSpec c;
    c.name = name;
    c.type = type;
    c.size = size;
    return c;
}

ColumnSpec Calculated(const std::string& name, JetType descriptor, JetType result) {
    ColumnSpec c = Column(name, descriptor, descriptor == JetType::Text ? 50 : 0);
    c.calculatedResult = result;
    return c;
}

CellValue Text(const std::string& s) { return CellValue::fromText(s); }

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: jet_fuzz_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = std::string(argv[1]) + "/";

    TableSpec calc;
    calc.name = "Calc";
    calc.columns = {Column("ID", JetType::Long),
                    Calculated("Label", JetType::Text, JetType::Text),
                    Calculated("Notes", JetType::Memo, JetType::Memo),
                    Calculated("Total", JetType::Long, JetType::Long),
                    Calculated("Price", JetType::Double, JetType::Currency),
                    Calculated("Ratio", JetType::Decimal, JetType::Decimal),
                    Calculated("When", JetType::DateTime, JetType::DateTime),
                    Calculated("Done", JetType::Boolean, JetType::Boolean)};
    calc.rows = {{CellValue::fromInt(1), Text("x"), Text(std::string(300, 'n')), CellValue::fromInt(5), Text("1.5"),
                  Text("225"), Text("2020-01-01"), CellValue::fromBool(true)},
                 {CellValue::fromInt(2), CellValue::fromBytes(std::string(20, '\0')), CellValue::null(),
                  CellValue::fromBytes(std::string("\x07\x00", 2)), CellValue::null(), CellValue::null(),
                  CellValue::null(), CellValue::fromBool(false)}};
    MdbDescription ace;
    ace.format = FileFormat::Ace14;
    ace.tables = {calc};
    ace.links = {
        LinkDescription{"Beside", "C:\\Data\\seed-target.mdb", "People", ";DATABASE=C:\\Data\\seed-target.mdb", false},
        LinkDescription{"Odbc", "", "dbo.T", "ODBC;DSN=x;PWD=y;", true},
        LinkDescription{"Sheet", "book.xls", "Sheet1$", "Excel 8.0;DATABASE=book.xls", false}};
    WriteMdb(ace, folder + "seed-calculated.accdb");

    TableSpec people;
    people.name = "People";
    people.columns = {Column("ID", JetType::Long), Column("Name", JetType::Text, 250), Column("Note", JetType::Memo)};
    people.rows = {{CellValue::fromInt(1), Text(std::string(250, 'a')), Text(std::string(3000, 'b'))},
                   {CellValue::fromInt(2), Text("Привет"), CellValue::null()}};
    people.deletedRows = {1};
    MdbDescription jet3;
    jet3.format = FileFormat::Jet3;
    jet3.codePage = 1251;
    jet3.tables = {people};
    WriteMdb(jet3, folder + "seed-target.mdb");

    // Links of links back to this very file, by other spellings of its name.
    TableSpec orders;
    orders.name = "Orders";
    orders.columns = {Column("ID", JetType::Long), Column("Note", JetType::Text, 20)};
    orders.rows = {{CellValue::fromInt(1), Text("first")}, {CellValue::fromInt(2), Text("second")}};
    TableSpec shouting = orders;
    shouting.name = "ORDERX"; // the writer refuses names alike: renamed in the file below
    shouting.rows = {{CellValue::fromInt(9), Text("other")}};
    MdbDescription loops;
    loops.tables = {orders, shouting};
    loops.links = {LinkDescription{"Self", "input.mdb", "Again", "", false},
                   LinkDescription{"Again", "./input.mdb", "Self", "", false},
                   LinkDescription{"Far", "C:\\Elsewhere\\input.mdb", "Orders",
                                   "MS Access;PWD=x;DATABASE=C:\\Elsewhere\\input.mdb", false},
                   LinkDescription{"Deep", ".//input.mdb", "Far", "", false}};
    WriteMdb(loops, folder + "seed-loops.mdb");
    {
        std::ifstream in(folder + "seed-loops.mdb", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (const std::string& from : {std::string("ORDERX"), std::string("O\0R\0D\0E\0R\0X\0", 12)}) {
            std::string to = from;
            to[from.size() - (from.size() == 6 ? 1 : 2)] = 'S';
            for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + 1))
                bytes.replace(at, from.size(), to);
        }
        std::ofstream(folder + "seed-loops.mdb", std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    TableSpec words;
    words.name = "Words";
    words.columns = {Column("ID", JetType::Long), Column("Word", JetType::Text, 50), Column("Note", JetType::Memo)};
    words.rows = {{CellValue::fromInt(1), Text("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"), Text(std::string("a\0b", 3))}};
    MdbDescription japanese;
    japanese.format = FileFormat::Jet3;
    japanese.codePage = 932;
    japanese.tables = {words};
    WriteMdb(japanese, folder + "seed-cp932.mdb");
    return 0;
}
