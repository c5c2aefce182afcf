#pragma once
// One field value of one record becomes the text of its cell.

#include "engine/AttachmentFolder.h"
#include "engine/OutputFile.h"
#include "engine/Settings.h"

#include "core/Database.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

enum class CellClass { Number, Verbatim, Text };

CellClass CellClassOf(int16_t typeCode);

// Fills text with the value's narrow text; throws EngineError when the value
// cannot be converted.
void ValueToText(const Variant& value, std::string& text);
// The same without the throw: HResult::Ok, or the failing conversion's code.
int32_t ValueToTextCode(const Variant& value, std::string& text);
void ReplaceLineBreaks(std::string& text);
void ReplaceCommas(std::string& text, std::string_view replacement);
// Whether a cell whose written text is `written` is enclosed in double quotes.
bool QuotesCell(const ConversionSettings& settings, CellClass cellClass, std::string_view written);
// The steps after ValueToText for one cell of the class; `text` is changed.
void WriteCellText(const ConversionSettings& settings, OutputFile& file, std::string& text, CellClass cellClass);
// The whole procedure for one cell; writes nothing before or after it.
void WriteCell(const ConversionSettings& settings, OutputFile& file, const Variant& value, int16_t typeCode);

// The bytes a cell's text pass stops at and those it replaces on the way
// (engine/Cells.cpp).
class StopBytes;
// The kinds of pass over a stored text's units (engine/Cells.cpp).
enum class UnitShape : int;

// WriteCell for every cell of one table: the settings are read once, and
// the common cells go into the file's buffer in one pass over their text.
// Writes the same bytes as WriteCell. One per export: it keeps a buffer.
class TableCellWriter {
public:
    explicit TableCellWriter(const ConversionSettings& settings);
    ~TableCellWriter();
    TableCellWriter(const TableCellWriter&) = delete;
    TableCellWriter& operator=(const TableCellWriter&) = delete;

    // HResult::Ok, or the code of the conversion that found no text for the
    // value (a date out of range): nothing is written then, an empty cell,
    // and the export goes on. An error of the reader is raised as ever.
    int32_t Write(OutputFile& file, const Variant& value, CellClass cellClass);
    // The same bytes as Write(file, field.Value(), cellClass); a text the
    // field can hand out as stored is written from those bytes.
    // Inline, so that a record's loop calls the cell's own route directly.
    int32_t Write(OutputFile& file, const Field& field, CellClass cellClass) {
        if (attachments_ != nullptr)
            return WriteAttachmentsOr(file, field, cellClass);
        return cellClass == CellClass::Text ? WriteTextField(file, field) : WriteScalarField(file, field, cellClass);
    }
    // Attachment cells from now on name their files, written to `folder`
    // (which must outlive the writer); `row` numbers the record they belong to.
    void WriteAttachmentsTo(AttachmentFolder* folder) { attachments_ = folder; }
    void StartRecord(int64_t row) { row_ = row; }

private:
    static constexpr uint8_t kEscapeByte = 1;
    static constexpr uint8_t kDelimiterByte = 2;
    // Room beyond one byte per unit for the converted runs of a text, and
    // for the escape text's block written whole.
    static constexpr std::size_t kRunSlack = 256;
    static constexpr std::size_t kEscapeRoom = 32;
    // Stored texts longer than this are written a slice of units at a time.
    static constexpr std::size_t kLongTextBytes = 1 << 20;
    static constexpr std::size_t kSliceUnits = 16 * 1024;
    // Room for the text of a number or date written in place: any double or
    // 96-bit decimal with a separator of a few bytes, any date pattern a
    // locale has. Longer texts take the general route.
    static constexpr std::size_t kScalarRoom = 128;

    bool HoldsDelimiter(std::string_view text) const;
    bool HoldsDelimiter(const char* text, std::size_t length) const;
    // The routes of Write(Field): an attachment cell's file names, or the
    // routes below; a text cell; a number or Verbatim cell.
    int32_t WriteAttachmentsOr(OutputFile& file, const Field& field, CellClass cellClass);
    int32_t WriteTextField(OutputFile& file, const Field& field);
    int32_t WriteScalarField(OutputFile& file, const Field& field, CellClass cellClass);
    bool WriteScalar(OutputFile& file, const Variant& value, CellClass cellClass);
    // Write's general route: the value's text from the platform's
    // conversion, then the class's steps.
    int32_t WriteConverted(OutputFile& file, const Variant& value, CellClass cellClass);
    bool WriteFusedText(OutputFile& file);
    // One ASCII byte's steps, with the tables copied into locals.
    struct ByteSteps;
    ByteSteps Steps() const;
    bool WriteAsciiText(OutputFile& file, std::u16string_view text);
    bool WriteStoredText(OutputFile& file, const StoredText& stored);
    // The runs of a stored text that need no general conversion, from p on
    // (one-byte units, or two-byte ones), into `to`: each returns the end
    // written and leaves p at a switch, at a unit the general conversion
    // must take, at a lone last byte, or at the end.
    template <std::size_t Width>
    char* Pass(const uint8_t*& p, const uint8_t* end, bool compressed, char* to, bool& delimiterSeen) const;
    // Pass for one kind of writer, this one's.
    template <std::size_t Width, UnitShape Shape>
    char* PassUnits(const uint8_t*& p, const uint8_t* end, bool compressed, char* to, bool& delimiterSeen) const;
    // One unit below U+0100 without the general conversion: an ASCII one's
    // steps, a Latin-1 one's bytes from the table; null when it needs more.
    char* PutUnit(unsigned unit, char* to, const ByteSteps& steps, bool& delimiterSeen) const;
    // The run of characters beyond ASCII at p, converted and written after
    // its steps; null when the cell may then not fit the `room` reserved at
    // `start` or the bytes end inside a character.
    char* ConvertRun(const uint8_t*& p, const uint8_t* end, bool compressed, bool& oneByte, const char* start,
                     std::size_t room, char* to, bool& delimiterSeen);
    // A stored text too long to be written in one piece: widened, converted
    // and written a slice at a time, so that it costs no copy of its own size.
    bool WriteLongStoredText(OutputFile& file, const StoredText& stored);
    // Units of a stored text from p on into wide_, across switches: at most
    // `most` (a surrogate pair kept whole) and, with untilAscii, up to the
    // next ASCII unit. False when the bytes end inside a character.
    bool GatherUnits(const uint8_t*& p, const uint8_t* end, bool compressed, bool& oneByte, bool untilAscii,
                     std::size_t most);
    // The bytes of a text after their steps, from `to` on; returns the end.
    char* PassBytes(std::string_view text, char* to, bool& delimiterSeen) const;
    // Adds the enclosing quotes the cell takes around [start + quote, end);
    // returns the cell's length from start.
    std::size_t Enclose(char* start, char* end, bool delimiterSeen) const;

    const ConversionSettings& settings_;
    AttachmentFolder* attachments_ = nullptr;
    int64_t row_ = 0;
    std::vector<AttachedFile> files_;
    std::u16string paths_;
    std::string text_;
    std::string escape_;
    char escapeBlock_[kEscapeRoom] = {}; // the escape text, padded
    std::string converted_;              // one converted run of non-ASCII characters
    std::u16string wide_;                // such a run of a stored text, widened
    bool quoteAll_;
    bool fusedText_ = false;
    bool asciiText_ = false;
    bool plainNumbers_ = false;
    bool plainVerbatim_ = false; // Boolean and date texts need no steps
    bool scalarNumbers_ = false; // numbers may be written in place
    char comma_ = ',';           // what a comma in a number's text becomes
    int delimiter_ = -1;         // the one-byte field delimiter, or -1
    // Per value type: whether a scalar text of that type may hold the
    // delimiter, and so must be searched for it.
    bool scalarSearch_[256] = {};
    // And whether it may hold a comma that is to be replaced.
    bool scalarCommas_[256] = {};
    std::unique_ptr<const StopBytes> stops_;
    UnitShape unitShape_{};
    // The ANSI bytes of U+0080..U+00FF where they pass every step unchanged
    // (none of them a stop or a replaced byte), for the stored texts' Latin-1
    // units; length 0 sends a character to the general conversion.
    uint8_t latin_[128][4] = {};
    uint8_t latinLength_[128] = {};
    std::size_t unitRoom_ = 1; // the most bytes one unit of a stored text gives before its run is converted
    uint8_t textBytes_[256];   // each byte of a text after the replacements
    uint8_t textKinds_[256];   // kEscapeByte, kDelimiterByte of that result
};
