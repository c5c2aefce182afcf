// The two functions other programs call. Each call is one complete run on a
// record of its own, so calls from different threads share nothing but the
// files on disk.

#include "Arguments.h"
#include "varnex.h"

#include "engine/Conversion.h"
#include "engine/DatabaseSchema.h"
#include "engine/LoadDatabase.h"
#include "engine/Settings.h"

#include <memory>

namespace {

int32_t Convert(int32_t argc, const char* const* argv) {
    auto settings = std::make_unique<ConversionSettings>();
    InitSettings(*settings);
    const ProgramRequest request = ParseOptions(*settings, argc, argv);
    // A caller that reuses the program's command line may name a status file;
    // the library reports through its result instead and has no window.
    settings->StatusFile.clear();
    settings->ProgressWindow = nullptr;

    // The statements that make the tables, written to the output instead of
    // a conversion.
    if (request.SchemaDialect) {
        if (settings->SourcePath.empty())
            return VARNEX_NO_DATABASE;
        if (settings->OutputPath.empty())
            return VARNEX_NO_OUTPUT;
        const std::optional<SqlDialect> dialect = ParseSqlDialect(*request.SchemaDialect);
        if (!dialect || LoadDatabase(nullptr, *settings, "", nullptr) != 0 || !settings->CurrentDatabase)
            return VARNEX_OPEN_FAILED;
        const int32_t result = WriteSchemaFile(*settings, *dialect);
        settings->CurrentDatabase.reset();
        return result;
    }

    const ConversionOutcome outcome = RunConversion(*settings, ConversionRoad::Library);
    settings->CurrentDatabase.reset();
    switch (outcome.Refused) {
    case ConversionRefusal::NoDatabase: return VARNEX_NO_DATABASE;
    case ConversionRefusal::NoOutput: return VARNEX_NO_OUTPUT;
    case ConversionRefusal::TooLong: return VARNEX_TOO_LONG;
    case ConversionRefusal::None: break;
    }
    // The failures and warnings stay unsaid: the caller's process owns its
    // standard streams, and the result code is the library's one report.
    if (outcome.FilesFailed > 0)
        return VARNEX_OPEN_FAILED;
    if (outcome.TablesFailed > 0)
        return VARNEX_TABLE_FAILED;
    return VARNEX_OK;
}

} // namespace

extern "C" VARNEX_API int32_t VARNEX_CALL Varnex_Converter(int32_t /*reserved*/, int32_t argc, char* const* argv) {
    // Nothing may unwind into a caller that may not even be C++: whatever
    // escapes the run counts as a run that could not be completed.
    try {
        return Convert(argc, argv);
    } catch (...) {
        return VARNEX_OPEN_FAILED;
    }
}

extern "C" VARNEX_API int32_t VARNEX_CALL Varnex_ConverterStr(int32_t reserved, char* text) {
    try {
        auto pieces = std::make_unique<char*[]>(kMaxArguments);
        const std::size_t count = SplitArguments(text, pieces.get(), kMaxArguments);
        return Varnex_Converter(reserved, static_cast<int32_t>(count), pieces.get());
    } catch (...) {
        return VARNEX_OPEN_FAILED;
    }
}
