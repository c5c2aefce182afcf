#pragma once
// Small Access databases written at test time, and what they hold.
//
// shop.mdb
//   Customers: ID (long), Name (text), City (text), Note (memo)
//     1  "Ann Lee"   "Oslo"  likes "tea"
//     2  "Bo, Jr."   NULL    line1 CR LF line2
//     3  "Cy"        ""      NULL
//   Orders: OrderID (long), Customer (long), Qty (integer)
//     10  1   5
//     11  2  -3
// stock.mdb
//   Items: Code (long), Label (text)
//     7 "bolt"
//     8 "nut"

#include <string>

namespace fixtures {

void WriteShop(const std::string& path);
void WriteStock(const std::string& path);

} // namespace fixtures
