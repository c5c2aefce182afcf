#pragma once
// Numbers as the Windows runtime writes them when it turns a value into
// text: no grouping, no currency symbol, the locale's decimal separator,
// a leading "-" only, and never a negative zero.

#include "core/Variant.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace platform::posix {

// A caller's buffer that the texts below can be written to in place of a
// string: what does not fit is left out and marks it overflowed.
class BoundedText {
public:
    BoundedText(char* to, std::size_t room) : start_(to), next_(to), end_(to + room) {}
    void push_back(char c) {
        if (next_ == end_) {
            overflowed_ = true;
            return;
        }
        *next_++ = c;
    }
    void append(std::string_view text) {
        if (text.size() > static_cast<std::size_t>(end_ - next_)) {
            overflowed_ = true;
            return;
        }
        if (text.empty())
            return; // its data may be null, which memcpy may not be given
        std::memcpy(next_, text.data(), text.size());
        next_ += text.size();
    }
    void append(const char* first, const char* last) {
        append(std::string_view(first, static_cast<std::size_t>(last - first)));
    }
    void append(std::size_t count, char c) {
        if (count > static_cast<std::size_t>(end_ - next_)) {
            overflowed_ = true;
            return;
        }
        std::memset(next_, c, count);
        next_ += count;
    }
    // Room for `most` bytes to be written directly and then kept up to
    // `end` with Advance; nullptr when fewer are left.
    char* Room(std::size_t most) { return static_cast<std::size_t>(end_ - next_) >= most ? next_ : nullptr; }
    void Advance(char* end) { next_ = end; }
    bool Overflowed() const { return overflowed_; }
    std::size_t size() const { return static_cast<std::size_t>(next_ - start_); }

private:
    char* start_;
    char* next_;
    char* end_;
    bool overflowed_ = false;
};

// The texts of integers, reals and currency written straight to `to`, which
// must have room for kMostNumberBytes plus the separator's bytes; each
// returns the end of what it wrote.
constexpr std::size_t kMostNumberBytes = 32;
char* PutInteger(int64_t value, char* to);
// A binary floating-point value with at most `digits` significant digits
// (15 for doubles, 7 for singles), exactly rounded.
char* PutReal(double value, int digits, std::string_view decimal, char* to);
// The same text by the library's decimal conversions alone: the route
// PutReal takes outside the magnitudes it rounds in integer arithmetic,
// against which that arithmetic is checked.
char* PutRealByConversion(double value, int digits, std::string_view decimal, char* to);
// A currency amount held as value x 10^4: exact, up to four decimals.
char* PutCurrency(int64_t scaled, std::string_view decimal, char* to);

void AppendInteger(int64_t value, std::string& out);
void AppendReal(double value, int digits, std::string_view decimal, std::string& out);
void AppendCurrency(int64_t scaled, std::string_view decimal, std::string& out);

// A 96-bit decimal: exact, every digit, trailing zeros of the scale dropped.
void AppendDecimal(const DecimalValue& value, std::string_view decimal, std::string& out);
void AppendDecimal(const DecimalValue& value, std::string_view decimal, BoundedText& out);

} // namespace platform::posix
