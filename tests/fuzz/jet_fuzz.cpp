// libFuzzer target: any bytes as a database file, then what a conversion of
// every table does with it: open (with the password "password"), list, read
// every value of every row, each table from its own catalog entry. The only
// acceptable failure is an EngineError. The file is input.mdb in a folder of
// its own, which the seeds' links name in several spellings: links that lead
// back to the file itself, however mutated, must end as errors.

#include "jet/JetEngine.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::string& ScratchFolder() {
    static const std::string folder = [] {
        const std::string path = "/tmp/varnex-jet-fuzz-" + std::to_string(getpid());
        ::mkdir(path.c_str(), 0700);
        return path;
    }();
    return folder;
}

const std::string& ScratchPath() {
    static const std::string path = ScratchFolder() + "/input.mdb";
    return path;
}

void ReadEverything(const std::u16string& path) {
    const auto engine = CreateJetEngine(true);
    // The samples' and seeds' password, so that encrypted inputs get past the
    // password check into key derivation and page decryption.
    OpenOptions options;
    options.LinkFolders = {std::u16string(ScratchFolder().begin(), ScratchFolder().end())};
    const auto database = engine->OpenDatabaseWith(path, 1, true, std::u16string(u";pwd=password"), options);
    const auto tableDefs = database->GetTableDefs();
    for (int16_t i = 0; i < tableDefs->Count(); ++i) {
        const auto tableDef = tableDefs->Item(i);
        tableDef->GetFields();
        try {
            auto records = database->OpenRecordsetOf(*tableDef);
            for (; !records->Eof(); records->MoveNext()) {
                const Fields& fields = records->GetFields();
                std::vector<AttachedFile> files;
                for (int16_t f = 0; f < fields.Count(); ++f) {
                    fields.Item(f).Value();
                    // Attachment data is read only on asking: ask, so that it is fuzzed too.
                    fields.Item(f).AttachedFiles(files);
                }
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
        // A refusal is the answer a damaged file should get; only a crash,
        // a sanitizer report or another exception is a finding.
    }
    return 0;
}
