// varnex-mkdb: writes a Jet3, Jet4 or ACE database (plain or encrypted) from a JSON description.

#include "tools/mkdb/DescriptionJson.h"

#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

namespace {

int Usage() {
    std::cerr << "usage: varnex-mkdb [--rows N] [--seed S] [--encrypt SCHEME] [--password P] <description.json> "
                 "<output>\n"
                 "  --rows N          row count of every generated table (overrides the description)\n"
                 "  --seed S          seed of every generated table (overrides the description)\n"
                 "  --encrypt SCHEME  write an encrypted .accdb: rc4, rc4-cryptoapi, standard, cryptoapi-aes or agile\n"
                 "  --password P      the encryption's password (overrides the description)\n";
    return 2;
}

std::optional<std::uint64_t> Number(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18) {
        return std::nullopt;
    }
    return std::stoull(text);
}

} // namespace

int main(int argc, char** argv) {
    std::optional<std::uint64_t> rows, seed;
    std::string input, output;
    std::optional<std::string> scheme, password;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if ((arg == "--encrypt" || arg == "--password") && i + 1 < argc) {
            (arg == "--encrypt" ? scheme : password) = std::string(argv[++i]);
        } else if ((arg == "--rows" || arg == "--seed") && i + 1 < argc) {
            auto value = Number(argv[++i]);
            if (!value)
                return Usage();
            (arg == "--rows" ? rows : seed) = value;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage();
        } else if (input.empty()) {
            input = arg;
        } else if (output.empty()) {
            output = arg;
        } else {
            return Usage();
        }
    }
    if (input.empty() || output.empty())
        return Usage();
    try {
        MdbDescription description = DescriptionFromJson(ParseJsonFile(input), rows, seed);
        if (scheme || password) {
            if (!description.encryption)
                description.encryption.emplace();
            if (scheme)
                description.encryption->scheme = *scheme;
            if (password)
                description.encryption->password = *password;
        }
        WriteMdb(description, output);
    } catch (const std::exception& e) {
        std::cerr << "varnex-mkdb: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
