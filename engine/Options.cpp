// Defaults, the option language of the command line and of the library call,
// and the delimiter names. The parser never fails: whatever it does not
// recognise is left alone and surfaces, if at all, when the run uses it.

#include "engine/Settings.h"
#include "engine/TableForm.h"
#include "platform/Platform.h"

#include <climits>
#include <cstdint>
#include <iterator>

const char* const kDateFormatKeywords[10] = {
    "YYYYMMDD",   "YYYY.MM.DD", "MM.DD.YYYY", "MM-DD-YYYY", "DD.MM.YYYY",
    "DD-MM-YYYY", "YYYY-MM-DD", "YYYY/MM/DD", "MM/DD/YYYY", "DD/MM/YYYY",
};

namespace {

// Leading decimal number as the C runtime's atoi reads it (blanks, a sign,
// digits), but held at the int32 limits instead of overflowing.
int32_t LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<int64_t>(INT32_MAX) + 1)
            value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value > INT32_MAX ? INT32_MAX : value);
}

std::string Enclosed(char separator, std::string_view value) {
    std::string out(1, separator);
    out += UpperAscii(value);
    out += separator;
    return out;
}

std::string StatusFileBesideExecutable() {
    std::string path = platform::ExecutablePath();
    std::size_t cut = path.rfind(platform::PathSeparator);
    path.erase(cut == std::string::npos ? 0 : cut + 1);
    return path + "status.log";
}

enum class Match { Exact, Prefix };

using Apply = void (*)(ConversionSettings&, std::string_view value);

struct OptionRow {
    const char* Keyword;
    Match How;
    Apply Effect;
    bool SkipsNextRow; // a match means the following row is not tested
};

template <int Index>
void SetDateFormat(ConversionSettings& s, std::string_view) {
    s.DateFormat = Index;
}

template <auto Member, int32_t Value>
void SetNumber(ConversionSettings& s, std::string_view) {
    s.*Member = Value;
}

void SetEscape(ConversionSettings& s, std::string_view value) {
    if (StartsWithNoCase(value, "DQ"))
        s.Escape = "\"";
    else if (StartsWithNoCase(value, "SQ"))
        s.Escape = "'";
    else
        s.Escape = value;
}

// "RECORDS=0" has a row of its own further down that only stops the data rows;
// the delimiter must survive it so the header line still ends properly.
void SetRecords(ConversionSettings& s, std::string_view value) {
    if (value != "0")
        s.Records = value;
}

void SetColumns(ConversionSettings& s, std::string_view value) {
    if (!value.empty() && value[0] >= '0' && value[0] <= '9') {
        s.Columns = std::string(value);
        s.FirstColumn = LeadingNumber(value);
        std::size_t dash = value.find('-');
        s.LastColumn = dash == std::string_view::npos ? s.FirstColumn : LeadingNumber(value.substr(dash + 1));
    } else {
        s.Columns = Enclosed(',', value);
    }
}

using S = ConversionSettings;

// A format asked for and not known is said, not silently taken for CSV.
void SetFormat(S& s, std::string_view value) {
    std::string known;
    for (const FormEntry& form : RegisteredForms()) {
        if (EqualsNoCase(value, form.Name)) {
            s.Format = form.Format;
            return;
        }
        known += known.empty() ? form.Name : std::string(" or ") + form.Name;
    }
    s.Warnings.push_back("--format=" + std::string(value) + ": no such format (" + known + "); CSV is written");
}

const OptionRow kOptionRows[] = {
    {"REMCRLF=1", Match::Exact, SetNumber<&S::RemoveCRLF, 1>, false},
    {"REMCRLF=0", Match::Exact, SetNumber<&S::RemoveCRLF, 0>, false},
    {"TRIM=0", Match::Exact, SetNumber<&S::RemoveTrail, 0>, false},
    {"TRIM=RIGHT", Match::Exact, SetNumber<&S::RemoveTrail, 1>, false},
    {"TRIM=ALL", Match::Exact, SetNumber<&S::RemoveTrail, 2>, false},
    {"EXT=", Match::Prefix, [](S& s, std::string_view v) { s.Extension = std::string(v); }, false},
    {kDateFormatKeywords[0], Match::Exact, SetDateFormat<0>, false},
    {kDateFormatKeywords[1], Match::Exact, SetDateFormat<1>, false},
    {kDateFormatKeywords[2], Match::Exact, SetDateFormat<2>, false},
    {kDateFormatKeywords[3], Match::Exact, SetDateFormat<3>, false},
    {kDateFormatKeywords[4], Match::Exact, SetDateFormat<4>, false},
    {kDateFormatKeywords[5], Match::Exact, SetDateFormat<5>, false},
    {kDateFormatKeywords[6], Match::Exact, SetDateFormat<6>, false},
    {kDateFormatKeywords[7], Match::Exact, SetDateFormat<7>, false},
    {kDateFormatKeywords[8], Match::Exact, SetDateFormat<8>, false},
    {kDateFormatKeywords[9], Match::Exact, SetDateFormat<9>, false},
    {"ESCAPE=", Match::Prefix, SetEscape, false},
    {"HEADER=1", Match::Exact, SetNumber<&S::Header, 1>, false},
    {"HEADER=0", Match::Exact, SetNumber<&S::Header, 0>, false},
    {"FIELDS=", Match::Prefix, [](S& s, std::string_view v) { s.Fields = v; }, false},
    {"RECORDS=", Match::Prefix, SetRecords, false},
    {"QUOTES=1", Match::Exact,
     [](S& s, std::string_view) {
         s.DoubleQuotes = 1;
         s.QuotesAsked = 1;
     },
     false},
    {"QUOTES=0", Match::Exact,
     [](S& s, std::string_view) {
         s.DoubleQuotes = 0;
         s.QuotesAsked = 0;
     },
     false},
    {"CRLF=KEEP", Match::Exact, SetNumber<&S::RemoveCRLF, 0>, false},
    {"CRLF=REMOVE", Match::Exact, SetNumber<&S::RemoveCRLF, 1>, false},
    {"CRLF=REPLACE", Match::Exact, SetNumber<&S::RemoveCRLF, 2>, false},
    {"PASSWORD=", Match::Exact, [](S& s, std::string_view) { s.Password.clear(); }, false},
    {"PASSWORD=", Match::Prefix, [](S& s, std::string_view v) { s.Password = v; }, false},
    {"TABLES=*", Match::Exact, [](S& s, std::string_view) { s.Tables.reset(); }, true},
    {"TABLES=", Match::Prefix, [](S& s, std::string_view v) { s.Tables = Enclosed(';', v); }, false},
    {"ONLYFIELDS=*", Match::Exact, [](S& s, std::string_view) { s.OnlyFields.reset(); }, true},
    {"ONLYFIELDS=", Match::Prefix, [](S& s, std::string_view v) { s.OnlyFields = Enclosed(';', v); }, false},
    {"COLUMNS=", Match::Prefix, SetColumns, false},
    {"ORDER=", Match::Prefix, [](S& s, std::string_view v) { s.Order = v; }, false},
    {"RECORDS=0", Match::Exact, SetNumber<&S::ExportRecords, 0>, false},
    {"LOG", Match::Exact, SetNumber<&S::Log, 1>, false},
    {"STATUS=", Match::Prefix, [](S& s, std::string_view v) { s.StatusFile = v; }, false},
    {"STATUS", Match::Exact, [](S& s, std::string_view) { s.StatusFile = StatusFileBesideExecutable(); }, false},
    {"MAXLEN=", Match::Prefix, [](S& s, std::string_view v) { s.MaxLen = LeadingNumber(v); }, false},
    {"CHANGETYPE:", Match::Prefix, AddTypeChange, false},
    {"CT:", Match::Prefix, AddTypeChange, false},
    {"SOURCE=ANSI", Match::Exact, SetNumber<&S::SourceCodePage, 1>, false},
    {"SOURCE=OEM", Match::Exact, SetNumber<&S::SourceCodePage, 2>, false},
    {"ASIS", Match::Exact, SetNumber<&S::CodePage, 0>, false},
    {"ANSI", Match::Exact, SetNumber<&S::CodePage, 1>, false},
    {"OEM", Match::Exact, SetNumber<&S::CodePage, 2>, false},
    {"OVERWRITE=1", Match::Exact, SetNumber<&S::OverWrite, 1>, false},
    {"OVERWRITE=0", Match::Exact, SetNumber<&S::OverWrite, 0>, false},
    {"OVERWRITE=2", Match::Exact, SetNumber<&S::OverWrite, 2>, false},
    {"OVERWRITE=YES", Match::Exact, SetNumber<&S::OverWrite, 1>, false},
    {"OVERWRITE=NO", Match::Exact, SetNumber<&S::OverWrite, 0>, false},
    {"OVERWRITE=SKIP", Match::Exact, SetNumber<&S::OverWrite, 2>, false},
    {"OPEN=1", Match::Exact, SetNumber<&S::Open, 1>, false},
    {"OPEN=0", Match::Exact, SetNumber<&S::Open, 0>, false},
    {"WAIT", Match::Exact, SetNumber<&S::Wait, 1>, false},
    {"BATCH", Match::Exact, SetNumber<&S::Batch, 1>, false},
    {"SILENT", Match::Exact, SetNumber<&S::Silent, 1>, false},
    // Long options ("--link-dir=FOLDER"): the first dash is the option's own.
    {"-LINK-DIR=", Match::Prefix,
     [](S& s, std::string_view v) {
         if (!v.empty())
             s.LinkFolders.emplace_back(v);
     },
     false},
    {"-LINKS=NO", Match::Exact, SetNumber<&S::FollowLinks, 0>, false},
    {"-LINKS=YES", Match::Exact, SetNumber<&S::FollowLinks, 1>, false},
    {"-FORMAT=", Match::Prefix, SetFormat, false},
    {"-PORTABLE", Match::Exact, SetNumber<&S::Portable, 1>, false},
    {"-DATA-ONLY", Match::Exact, SetNumber<&S::DataOnly, 1>, false},
    {"-ATTACHMENTS=", Match::Prefix,
     [](S& s, std::string_view v) {
         if (v.empty())
             s.AttachmentsFolder.reset();
         else
             s.AttachmentsFolder = std::string(v);
     },
     false},
    {"-BINARY=HEX", Match::Exact, [](S& s, std::string_view) { s.Binary = BinaryForm::Hex; }, false},
    {"-BINARY=BASE64", Match::Exact, [](S& s, std::string_view) { s.Binary = BinaryForm::Base64; }, false},
    {"-BINARY=SKIP", Match::Exact, [](S& s, std::string_view) { s.Binary = BinaryForm::Skip; }, false},
};

bool RowMatches(const OptionRow& row, std::string_view keywordText) {
    return row.How == Match::Exact ? EqualsNoCase(keywordText, row.Keyword)
                                   : StartsWithNoCase(keywordText, row.Keyword);
}

bool MatchesAnyRow(std::string_view keywordText) {
    for (const OptionRow& row : kOptionRows)
        if (RowMatches(row, keywordText))
            return true;
    return false;
}

void ApplyOption(ConversionSettings& settings, std::string_view keywordText) {
    for (std::size_t i = 0; i < std::size(kOptionRows); ++i) {
        const OptionRow& row = kOptionRows[i];
        if (!RowMatches(row, keywordText))
            continue;
        std::string_view value =
            row.How == Match::Prefix ? keywordText.substr(std::string_view(row.Keyword).size()) : std::string_view();
        row.Effect(settings, value);
        if (row.SkipsNextRow)
            ++i;
    }
}

bool HasDatabaseEnding(std::string_view arg) {
    for (const char* ending : {".mdb", ".accdb", ".accde", ".accdt", ".accdr"})
        if (EndsWithNoCase(arg, ending))
            return true;
    return false;
}

// Where "/" separates directories, an absolute path would otherwise read as an
// option. It is taken as a path when it cannot be one of our options and still
// holds a directory separator after the first, so "/QUOTES=2" and "/data" stay
// (ignored) options while "/home/me/out" and "/data/" are paths.
bool IsSlashPath(std::string_view arg) {
    return platform::PathSeparator == '/' && arg.size() > 1 && arg[0] == '/' &&
           arg.find('/', 1) != std::string_view::npos && !MatchesAnyRow(arg.substr(1));
}

// Notes what an argument asks of the program. It may still pass through
// the option language below, where none of these means anything.
void NoteProgramArgument(ProgramRequest& request, std::string_view arg) {
    if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "/?")
        request.Help = true;
    else if (arg == "--version")
        request.Version = true;
    else if (arg == "--list-tables")
        request.ListTables = true;
    else if (arg.rfind("--schema=", 0) == 0 && !request.SchemaDialect)
        request.SchemaDialect = std::string(arg.substr(9));
    else if (arg == "-")
        request.StandardOutput = true;
    else if (arg.size() > 1 && (arg[0] == '/' || arg[0] == '-') && EqualsNoCase(arg.substr(1), "QUIET"))
        request.Quiet = true;
}

void ApplyArgument(ConversionSettings& settings, ProgramRequest& request, std::string_view arg) {
    if (arg.empty())
        return;
    // An option whose value happens to end like a file ("/EXT=.csv",
    // "/STATUS=run.csv", "/PASSWORD=x.mdb") is still an option: the keyword
    // decides before any ending is looked at.
    if ((arg[0] == '/' || arg[0] == '-') && MatchesAnyRow(arg.substr(1))) {
        ApplyOption(settings, arg.substr(1));
        return;
    }
    const bool slashPath = IsSlashPath(arg);
    const bool beginsWithSlash = arg[0] == '/' && !slashPath;
    const bool looksLikeOption = (arg[0] == '/' || arg[0] == '-') && !slashPath;

    if (arg.size() > 4) {
        if (HasDatabaseEnding(arg)) {
            settings.SourcePath = arg;
            return;
        }
        // An empty extension would end every argument and swallow the
        // options that follow it, so only a real one is recognised.
        const bool endsWithExtension =
            settings.Extension && !settings.Extension->empty() && EndsWithNoCase(arg, *settings.Extension);
        if (EndsWithNoCase(arg, ".csv") || (EndsWithNoCase(arg, ".txt") && !beginsWithSlash) || endsWithExtension ||
            !looksLikeOption) {
            settings.OutputPath = arg;
            request.StandardOutput = false;
            return;
        }
    } else if (!looksLikeOption) {
        request.ShortArguments.emplace_back(arg);
        return;
    }
    ApplyOption(settings, arg.substr(1));
}

} // namespace

void InitSettings(ConversionSettings& settings) {
    settings.Escape = "\"";
    settings.Fields = ",";
    settings.RemoveCRLF = 1;
    settings.OverWrite = 0;
    settings.CodePage = 0;
    settings.Open = 1;
    settings.ExportRecords = 1;
    settings.DateFormat = -1;
    settings.DoubleQuotes = 0;
    settings.Header = 1;
    settings.Records = "CRLF";
    settings.ReplaceCommaTo = ".";
}

ProgramRequest ParseOptions(ConversionSettings& settings, int argc, const char* const* argv) {
    ProgramRequest request;
    if (argv == nullptr)
        return request;
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == nullptr)
            continue;
        NoteProgramArgument(request, argv[i]);
        ApplyArgument(settings, request, argv[i]);
    }
    return request;
}

void ResolveFieldDelimiter(ConversionSettings& settings, std::string_view text) {
    // The text may be settings.Fields itself; keep a copy before assigning.
    const std::string name(text);
    if (EqualsNoCase(name, "TAB"))
        settings.Fields = "\t";
    else if (EqualsNoCase(name, "NONE"))
        settings.Fields.clear();
    else if (EqualsNoCase(name, "PIPE"))
        settings.Fields = "|";
    else
        settings.Fields = name;
}

void ResolveRecordDelimiter(ConversionSettings& settings, std::string_view text) {
    const std::string name(text);
    if (EqualsNoCase(name, "CRLF"))
        settings.Records = "\r\n";
    else if (EqualsNoCase(name, "CR"))
        settings.Records = "\r";
    else if (EqualsNoCase(name, "LF"))
        settings.Records = "\n";
    else if (EqualsNoCase(name, "NONE"))
        settings.Records.clear();
    else
        settings.Records = name;
}

void AddTypeChange(ConversionSettings& settings, std::string_view rule) {
    if (settings.TypeChanges.size() < kTypeChangeSlots && rule.find('=') != std::string_view::npos)
        settings.TypeChanges.emplace_back(rule);
}
