#include "engine/HeaderCell.h"

std::string HeaderCell(const ConversionSettings& settings, std::string_view name) {
    const std::string_view delimiter = settings.Fields;
    const bool holdsDelimiter = !delimiter.empty() && name.find(delimiter) != std::string_view::npos;
    if (!holdsDelimiter && name.find_first_of("\"\r\n") == std::string_view::npos)
        return std::string(name);
    std::string cell = "\"";
    for (const char c : name) {
        if (c == '"')
            cell += settings.Escape.str();
        cell += c;
    }
    cell += '"';
    return cell;
}
