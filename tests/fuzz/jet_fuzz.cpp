// libFuzzer target: any bytes as a database file, then what a conversion of
// every table does with it: open (with the password "password"), list, read
// every value of every row. The only acceptable failure is an EngineError.

#include "jet/JetEngine.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

const std::string& ScratchPath() {
    static const std::string path = "/tmp/varnex-jet-fuzz-" + std::to_string(getpid()) + ".mdb";
    return path;
}

void ReadEverything(const std::u16string& path) {
    const auto engine = CreateJetEngine(true);
    // The samples' and seeds' password, so that encrypted inputs get past the
    // password check into key derivation and page decryption.
    const auto database = engine->OpenDatabase(path, 1, true, std::u16string(u";pwd=password"));
    const auto tableDefs = database->GetTableDefs();
    for (int16_t i = 0; i < tableDefs->Count(); ++i) {
        const auto tableDef = tableDefs->Item(i);
        tableDef->GetFields();
        try {
            auto records = database->OpenRecordset(tableDef->Name());
            for (; !records->Eof(); records->MoveNext()) {
                const Fields& fields = records->GetFields();
                for (int16_t f = 0; f < fields.Count(); ++f)
                    fields.Item(f).Value();
            }
        } catch (const EngineError&) {
            // One damaged table does not end the others, as in a conversion.
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    const std::u16string path(ScratchPath().begin(), ScratchPath().end());
    try {
        ReadEverything(path);
    } catch (const EngineError&) {
    }
    return 0;
}
