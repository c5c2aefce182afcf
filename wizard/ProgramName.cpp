#include "wizard/ProgramName.h"

#include "platform/Console.h"

std::string ProgramBaseName(std::string_view programPath) {
    const std::size_t cut = programPath.find_last_of("/\\");
    const std::string_view name = cut == std::string_view::npos ? programPath : programPath.substr(cut + 1);
    return name.empty() ? std::string("varnex") : platform::ShownText(name);
}
