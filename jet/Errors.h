#pragma once
// How the reader fails: always as the EngineError a DAO call would raise,
// with DAO's error number and a description the error report can show.

#include "core/Database.h"

#include <string>
#include <string_view>

namespace jet {

// DAO error numbers the reader raises.
namespace DaoNumber {
constexpr int FileNotFound = 3024; // "Could not find file"
constexpr int NotValidPassword = 3031;
constexpr int ObjectNotFound = 3265;  // "Item not found in this collection."
constexpr int CorruptDatabase = 3049; // "Cannot open database ... may be corrupt"
constexpr int UnrecognizedFormat = 3343;
constexpr int NoCurrentRecord = 3021;
constexpr int TableNotFound = 3078; // "cannot find the input table or query"
constexpr int ObjectInvalid = 3420; // "Object invalid or no longer set."
constexpr int InvalidOperation = 3219;
constexpr int NotSupported = 3251;      // "Operation is not supported for this type of object."
constexpr int OdbcConnectFailed = 3151; // "ODBC--connection to ... failed."
constexpr int IsamNotFound = 3170;      // "Could not find installable ISAM."
constexpr int Cancelled = 3059;         // "Operation canceled by user."
} // namespace DaoNumber

[[noreturn]] void Raise(int daoNumber, std::u16string description);

// The file does not hold what its own structures promise. The reason only
// names the structure; the user cannot act on more detail.
[[noreturn]] void RaiseCorrupt(std::string_view reason);

} // namespace jet
