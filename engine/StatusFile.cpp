#include "engine/Report.h"
#include "engine/StatusFile.h"

bool WriteStatus(std::string_view text, const ConversionSettings& settings) {
    if (settings.StatusFile.empty())
        return true;
    // An outside reader follows the file; a failed write must not stop the
    // run, so it is only reported back.
    return platform::WriteProfileString("Varnex", "Result", text, settings.StatusFile.str());
}

bool WriteStatusReason(std::string_view reason, const ConversionSettings& settings) {
    if (settings.StatusFile.empty())
        return true;
    // One line: the file is read key by key, and a break would end the value.
    std::string line(reason);
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    return platform::WriteProfileString("Varnex", "Reason", line, settings.StatusFile.str());
}
