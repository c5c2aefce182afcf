#pragma once
// One field value of one record becomes the text of its cell.

#include "engine/OutputFile.h"
#include "engine/Settings.h"

#include <cstdint>
#include <string>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

enum class CellClass { Number, Verbatim, Text };

CellClass CellClassOf(int16_t typeCode);

// Fills text with the value's narrow text; throws EngineError when the value
// cannot be converted.
void ValueToText(const Variant& value, std::string& text);
void ReplaceLineBreaks(std::string& text);
void ReplaceCommas(std::string& text, std::string_view replacement);
void WriteEscaped(const ConversionSettings& settings, OutputFile& file, std::string_view text, char marker);
// Whether a cell whose written text is `written` is enclosed in double quotes.
bool QuotesCell(const ConversionSettings& settings, CellClass cellClass, std::string_view written);
// The steps after ValueToText for one cell of the class; `text` is changed.
void WriteCellText(const ConversionSettings& settings, OutputFile& file, std::string& text, CellClass cellClass);
// The whole procedure for one cell; writes nothing before or after it.
void WriteCell(const ConversionSettings& settings, OutputFile& file, const Variant& value, int16_t typeCode);

// The bytes a cell's text pass must stop at (at most five).
class StopBytes {
public:
    StopBytes() = default;
    explicit StopBytes(std::string_view stops);
    // The length of the leading run of text that holds none of them.
    std::size_t PlainRun(const char* text, std::size_t size) const;
    const bool* Table() const { return isStop_; }
    static constexpr std::size_t kMaxStops = 5;
#if defined(__SSE2__)
    const __m128i* Vectors() const { return vectors_; }
#endif

private:
    unsigned char stops_[kMaxStops] = {};
    bool isStop_[256] = {};
#if defined(__SSE2__)
    __m128i vectors_[kMaxStops] = {}; // each stop in every byte
#endif
};

// WriteCell for every cell of one table: the settings are read once, and
// the common cells go into the file's buffer in one pass over their text.
// Writes the same bytes as WriteCell. One per export: it keeps a buffer.
class TableCellWriter {
public:
    explicit TableCellWriter(const ConversionSettings& settings);
    TableCellWriter(const TableCellWriter&) = delete;
    TableCellWriter& operator=(const TableCellWriter&) = delete;

    void Write(OutputFile& file, const Variant& value, CellClass cellClass);

private:
    static constexpr uint8_t kEscapeByte = 1;
    static constexpr uint8_t kDelimiterByte = 2;
    // Room beyond one byte per unit for the converted runs of a text.
    static constexpr std::size_t kRunSlack = 256;

    bool HoldsDelimiter(std::string_view text) const;
    bool WriteFusedText(OutputFile& file);
    bool WriteAsciiText(OutputFile& file, std::u16string_view text);
    // The bytes of a text after their steps, from `to` on; returns the end.
    char* PassBytes(std::string_view text, char* to, bool& delimiterSeen) const;
    // Adds the enclosing quotes the cell takes around [start + quote, end);
    // returns the cell's length from start.
    std::size_t Enclose(char* start, char* end, bool delimiterSeen) const;

    const ConversionSettings& settings_;
    std::string text_;
    std::string escape_;
    std::string converted_; // one converted run of non-ASCII characters
    bool quoteAll_;
    bool fusedText_ = false;
    bool asciiText_ = false;
    bool plainNumbers_ = false;
    int delimiter_ = -1; // the one-byte field delimiter, or -1
    StopBytes stops_;
    uint8_t textBytes_[256]; // each byte of a text after the replacements
    uint8_t textKinds_[256]; // kEscapeByte, kDelimiterByte of that result
};
