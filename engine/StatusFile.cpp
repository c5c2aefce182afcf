#include "engine/Report.h"

bool WriteStatus(std::string_view text, const ConversionSettings& settings)
{
    if (settings.StatusFile.empty())
        return true;
    // An outside reader follows the file; a failed write must not stop the
    // run, so it is only reported back.
    return platform::WriteProfileString("Varnex", "Result", text, settings.StatusFile.str());
}
