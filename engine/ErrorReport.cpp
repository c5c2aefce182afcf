#include "engine/Report.h"

#include <cstdio>

namespace {

// The report fits a 512-byte C buffer with its terminating NUL.
constexpr std::size_t kReportBytes = 511;

constexpr uint32_t kFirstDispatchError = 0x80040201u;
constexpr uint32_t kLastDispatchError = 0x8004FFFFu;
constexpr uint32_t kDispatchErrorBase = 0x80040200u;

std::string CodeMeaning(int32_t code) {
    std::string text = platform::SystemMessage(code);
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
    }
    if (!text.empty())
        return text;

    const auto value = static_cast<uint32_t>(code);
    char fallback[32];
    if (value >= kFirstDispatchError && value <= kLastDispatchError)
        std::snprintf(fallback, sizeof fallback, "IDispatch error #%d", static_cast<int>(value - kDispatchErrorBase));
    else
        std::snprintf(fallback, sizeof fallback, "Unknown error 0x%0lX", static_cast<unsigned long>(value));
    return fallback;
}

// A text shown through a C string ends at its first NUL; a missing one reads
// "(null)", as the C library prints a null string.
std::string ErrorInfoText(const std::optional<std::u16string>& text) {
    if (!text)
        return "(null)";
    std::string narrow = platform::WideToAnsi(*text);
    const auto nul = narrow.find('\0');
    if (nul != std::string::npos)
        narrow.resize(nul);
    return narrow;
}

} // namespace

std::string FormatComError(const EngineError& error) {
    char code[32];
    std::snprintf(code, sizeof code, "Code = %08lx\n", static_cast<unsigned long>(static_cast<uint32_t>(error.Code)));

    std::string report = code;
    report.append("Code meaning = ").append(CodeMeaning(error.Code)).append("\n");
    report.append("Source = ").append(ErrorInfoText(error.Source)).append("\n");
    report.append("Description = ").append(ErrorInfoText(error.Description)).append("\n");
    if (report.size() > kReportBytes)
        report.resize(kReportBytes);
    return report;
}

std::string DescribeError(const EngineError& error) {
    std::string text;
    if (error.Description)
        text = ErrorInfoText(error.Description);
    if (text.empty())
        text = CodeMeaning(error.Code);
    // One line on a terminal, whatever the engine put into its text.
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

void RecordFailure(ConversionSettings& settings, std::string_view table, std::string reason) {
    settings.Failures.push_back({settings.SourcePath.str(), std::string(table), std::move(reason)});
}

void ReportComError(void* owner, const EngineError& error) {
    platform::ShowMessageBox(owner, FormatComError(error), platform::MessageOk);
}
