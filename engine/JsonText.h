#pragma once
// Texts as JSON strings: valid UTF-8, every control character escaped, so
// that one record stays on one line and any JSON parser takes it.

#include <cstddef>
#include <string>
#include <string_view>

// Appends the text enclosed in double quotes. Returns the count of lone
// surrogates written as U+FFFD (see AppendUtf8).
std::size_t AppendJsonString(std::u16string_view text, std::string& out);
// The same for a text that is already valid UTF-8 (a file name made here,
// a date, a base64 text).
void AppendJsonUtf8(std::string_view text, std::string& out);
