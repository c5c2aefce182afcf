#pragma once
// Dates in one unambiguous form, the same in every locale: ISO 8601
// (2024-01-08T09:13:00), for formats that scripts and data tools read.

#include <string>
#include <string_view>

// An OLE serial date (days since 30 December 1899; the fraction's magnitude
// is the time of that day, also before 1899), rounded to the second as the
// locale form rounds it. Appends the date, and when withTime the separator
// and the time. False (nothing appended) outside the years 100 to 9999,
// which no stored date leaves, and for a value that is not a number.
bool AppendIsoDate(double serial, bool withTime, char separator, std::string& out);

// Whether the serial, rounded to the second, falls on a midnight.
bool IsMidnight(double serial);

// A Date/Time Extended value as the reader gives it, "yyyy-mm-dd
// hh:nn:ss.fffffff": the separator between date and time replaced and the
// fraction kept to its last digit that is not 0 (none when all are). False
// (nothing appended) for a text of another form.
bool AppendIsoExtendedDate(std::u16string_view text, char separator, std::string& out);
