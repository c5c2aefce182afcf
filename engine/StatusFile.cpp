#include "engine/Report.h"

void WriteStatus(std::string_view text, const ConversionSettings& settings)
{
    if (settings.StatusFile.empty())
        return;
    // An outside reader follows the file; a failed write must not stop the run.
    platform::WriteProfileString("Varnex", "Result", text, settings.StatusFile.str());
}
