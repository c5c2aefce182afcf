#include "jet/LinkedTables.h"

#include "jet/Names.h"

#include "platform/Platform.h"

namespace jet {

namespace {

// Links of links are followed; a longer trail is a loop.
constexpr int kMaxLinks = 8;

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 0x20) : c; }

bool StartsWithKey(std::u16string_view text, std::u16string_view key) {
    if (text.size() < key.size())
        return false;
    for (std::size_t k = 0; k < key.size(); ++k)
        if (Upper(text[k]) != key[k])
            return false;
    return true;
}

std::u16string_view Trimmed(std::u16string_view text) {
    while (!text.empty() && text.front() == u' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == u' ')
        text.remove_suffix(1);
    return text;
}

// The connect text's parts: its type before the first ";", then KEY=value
// pairs. A value of DATABASE runs to the end, since paths may hold ";".
struct ConnectText {
    std::u16string Type;
    std::u16string Database;
    std::u16string Password;
    bool HasPassword = false;
    std::u16string Shown; // the text without its password, for messages
};

ConnectText ParseConnect(std::u16string_view connect) {
    ConnectText parsed;
    std::size_t at = connect.find(u';');
    parsed.Type = Trimmed(connect.substr(0, at));
    parsed.Shown = parsed.Type;
    while (at != std::u16string_view::npos) {
        std::u16string_view rest = connect.substr(at + 1);
        if (StartsWithKey(rest, u"DATABASE=")) {
            parsed.Database = rest.substr(9);
            parsed.Shown.append(u";").append(rest);
            break;
        }
        const std::size_t end = rest.find(u';');
        const std::u16string_view part = rest.substr(0, end);
        if (StartsWithKey(part, u"PWD=")) {
            parsed.Password = part.substr(4);
            parsed.HasPassword = true;
        } else if (!part.empty()) {
            parsed.Shown.append(u";").append(part);
        }
        at = end == std::u16string_view::npos ? end : at + 1 + end;
    }
    return parsed;
}

bool IsSeparator(char c) { return c == '/' || c == platform::PathSeparator; }

bool IsAbsolute(const std::string& path) {
    if (!path.empty() && (path[0] == '/' || path[0] == '\\'))
        return true;
    return path.size() >= 2 && path[1] == ':';
}

std::string FolderOf(const std::string& path) {
    for (std::size_t k = path.size(); k-- > 0;)
        if (IsSeparator(path[k]))
            return path.substr(0, k + 1);
    return std::string();
}

// The stored path as it is (against the linking folder when relative),
// then the same file name in the linking database's folder: a link made on
// Windows, or before the files moved together, still finds its file.
std::string LocateFile(const DatabaseFile& linking, const CatalogTable& entry, std::u16string_view stored) {
    const std::string path = platform::WideToAnsi(stored);
    const std::string folder = FolderOf(linking.Path());
    const std::string asStored = IsAbsolute(path) ? path : folder + path;
    if (platform::IsRegularFile(asStored))
        return asStored;
    std::size_t cut = path.find_last_of("/\\");
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    const std::string beside = folder + name;
    if (!name.empty() && platform::IsRegularFile(beside))
        return beside;
    std::u16string description = u"Could not find file '";
    description.append(stored).append(u"' of linked table '").append(entry.Name).append(u"'");
    if (!name.empty() && beside != asStored)
        description.append(u", nor '").append(platform::AnsiToWide(beside)).append(u"'");
    description.append(u".");
    Raise(DaoNumber::FileNotFound, std::move(description));
}

std::u16string Source(const CatalogTable& entry, std::u16string_view database) {
    std::u16string text = u"Linked table '";
    text.append(entry.Name).append(u"' (table '").append(entry.ForeignName).append(u"' of '");
    text.append(database).append(u"'): ");
    return text;
}

std::shared_ptr<DatabaseFile> OpenLinked(DatabaseFile& linking, const CatalogTable& entry,
                                         std::u16string_view stored, const ConnectText& connect) {
    const std::string path = LocateFile(linking, entry, stored);
    auto& cache = linking.LinkedFiles();
    if (auto found = cache.find(path); found != cache.end())
        return found->second;
    std::shared_ptr<DatabaseFile> opened;
    try {
        try {
            opened = std::make_shared<DatabaseFile>(path, linking.Password(), linking.OpensAce());
        } catch (const EngineError& error) {
            // The link's own password, when it keeps one, is the next try.
            if (error.Code != HResult::DaoError(DaoNumber::NotValidPassword) || !connect.HasPassword)
                throw;
            opened = std::make_shared<DatabaseFile>(path, connect.Password, linking.OpensAce());
        }
    } catch (const EngineError& error) {
        std::u16string description = Source(entry, platform::AnsiToWide(path));
        description.append(error.Description.value_or(u"the database cannot be opened."));
        throw EngineError(error.Code, u"DAO.Database", std::move(description));
    }
    cache.emplace(path, opened);
    return opened;
}

[[noreturn]] void RaiseExternal(const CatalogTable& entry, const ConnectText& connect) {
    std::u16string description = u"Linked table '";
    description.append(entry.Name).append(u"' (table '").append(entry.ForeignName).append(u"') ");
    if (entry.Kind == TableKind::LinkedOdbc) {
        description.append(u"is an ODBC link (").append(connect.Shown).append(u"); ODBC sources cannot be read.");
        Raise(DaoNumber::OdbcConnectFailed, std::move(description));
    }
    description.append(u"lies in an external source (").append(connect.Shown);
    description.append(u"); only Access databases can be read.");
    Raise(DaoNumber::IsamNotFound, std::move(description));
}

} // namespace

TableSource ResolveTable(const std::shared_ptr<DatabaseFile>& database, const CatalogTable& entry) {
    TableSource source{database, &entry};
    for (int links = 0; source.Table->Kind != TableKind::Local; ++links) {
        const CatalogTable& link = *source.Table;
        if (links == kMaxLinks) {
            std::u16string description = u"Linked table '";
            description.append(entry.Name).append(u"' leads through too many links (a link may point to itself).");
            Raise(DaoNumber::TableNotFound, std::move(description));
        }
        const ConnectText connect = ParseConnect(link.Connect);
        const bool access = connect.Type.empty() || SameName(connect.Type, u"MS Access");
        const std::u16string_view stored = link.LinkedDatabase.empty() ? connect.Database : link.LinkedDatabase;
        if (link.Kind == TableKind::LinkedOdbc || !access || stored.empty())
            RaiseExternal(link, connect);
        std::shared_ptr<DatabaseFile> target = OpenLinked(*source.Database, link, stored, connect);
        const std::u16string_view foreign = link.ForeignName.empty() ? link.Name : link.ForeignName;
        const CatalogTable* found = nullptr;
        for (const CatalogTable& table : target->Tables())
            if (SameName(table.Name, foreign))
                found = &table;
        if (!found) {
            std::u16string description = Source(link, platform::AnsiToWide(target->Path()));
            description.append(u"that database has no such table.");
            Raise(DaoNumber::TableNotFound, std::move(description));
        }
        source = TableSource{std::move(target), found};
    }
    return source;
}

} // namespace jet
