// A build made without SQLite still knows the format's name, and says why
// it cannot write it rather than writing something else.

#include "engine/SqliteForm.h"

namespace {

class AbsentForm final : public OutputForm {
public:
    std::string Extension() const override { return ".sqlite"; }
    std::unique_ptr<TableOutput> StartTable(const ConversionSettings&, const TableDef&, const ColumnPlan&) override {
        return nullptr;
    }
    std::unique_ptr<RunOutput> StartRun(const ConversionSettings&, std::string& error) override {
        error = "--format=sqlite: not in this build (it was made without the SQLite library)";
        return nullptr;
    }
};

} // namespace

std::unique_ptr<OutputForm> MakeSqliteForm() { return std::make_unique<AbsentForm>(); }
bool SqliteInThisBuild() { return false; }
