#include "jet/LinkedTables.h"

#include "jet/Names.h"

#include "platform/Platform.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

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

// Whether a connect-string key names a secret: PWD, Password, and any key
// ending in either (a driver's own spelling), in any case.
bool HoldsSecret(std::u16string_view part) {
    const std::size_t equals = part.find(u'=');
    std::u16string key;
    for (char16_t c : Trimmed(part.substr(0, equals == std::u16string_view::npos ? part.size() : equals)))
        key.push_back(Upper(c));
    const auto endsWith = [&](std::u16string_view tail) {
        return key.size() >= tail.size() && key.compare(key.size() - tail.size(), tail.size(), tail) == 0;
    };
    return endsWith(u"PWD") || endsWith(u"PASSWORD");
}

// Where a secret key begins among the ";"-separated parts of text, or npos.
std::size_t SecretPart(std::u16string_view text) {
    for (std::size_t at = text.find(u';'); at != std::u16string_view::npos; at = text.find(u';', at + 1)) {
        const std::u16string_view part = text.substr(at + 1, text.find(u';', at + 1) - (at + 1));
        if (part.find(u'=') != std::u16string_view::npos && HoldsSecret(part))
            return at;
    }
    return std::u16string_view::npos;
}

// The connect text's parts: its type before the first ";", then KEY=value
// pairs. A value of DATABASE runs to the end, since paths may hold ";",
// unless a key holding a secret follows it.
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
    // A text that starts with a key rather than a type keeps no secret either.
    if (parsed.Type.find(u'=') == std::u16string::npos || !HoldsSecret(parsed.Type))
        parsed.Shown = parsed.Type;
    while (at != std::u16string_view::npos) {
        std::u16string_view rest = connect.substr(at + 1);
        if (StartsWithKey(rest, u"DATABASE=")) {
            std::u16string_view database = rest.substr(9);
            const std::size_t secret = SecretPart(database);
            if (secret == std::u16string_view::npos) {
                parsed.Database = database;
                parsed.Shown.append(u";DATABASE=").append(database);
                break;
            }
            database = database.substr(0, secret);
            parsed.Database = database;
            parsed.Shown.append(u";DATABASE=").append(database);
            at += 1 + 9 + secret;
            continue;
        }
        const std::size_t end = rest.find(u';');
        const std::u16string_view part = rest.substr(0, end);
        if (StartsWithKey(part, u"PWD=")) {
            parsed.Password = part.substr(4);
            parsed.HasPassword = true;
        } else if (HoldsSecret(part)) {
            // Never shown: messages reach logs and terminals.
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
// then the same file name in the linking database's folder, then in each
// folder the user named: a link made on Windows, or before the files moved,
// still finds its file. Every place tried that is not a regular file is named
// in the failure with what it is.
std::string LocateFile(const DatabaseFile& linking, const LinkedFiles& links, const CatalogTable& entry,
                       std::u16string_view stored) {
    const std::string path = platform::WideToAnsi(stored);
    const std::string folder = FolderOf(linking.Path());
    std::vector<std::string> candidates{IsAbsolute(path) ? path : folder + path};
    const std::size_t cut = path.find_last_of("/\\");
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    if (!name.empty()) {
        candidates.push_back(folder + name);
        for (std::string place : links.Settings().LinkFolders) {
            if (!place.empty() && !IsSeparator(place.back()))
                place += platform::PathSeparator;
            candidates.push_back(place + name);
        }
    }
    std::u16string tried;
    std::vector<std::string> named;
    for (const std::string& candidate : candidates) {
        if (std::find(named.begin(), named.end(), candidate) != named.end())
            continue;
        const std::string kind = platform::DescribePath(candidate);
        if (kind == "a regular file")
            return candidate;
        named.push_back(candidate);
        tried.append(tried.empty() ? u"" : u", ").append(u"'").append(platform::AnsiToWide(candidate));
        tried.append(u"' is ").append(platform::AnsiToWide(kind));
    }
    std::u16string description = u"Could not find file '";
    description.append(stored).append(u"' of linked table '").append(entry.Name).append(u"': ");
    description.append(tried).append(u".");
    Raise(DaoNumber::FileNotFound, std::move(description));
}

std::u16string Source(const CatalogTable& entry, std::u16string_view database) {
    std::u16string text = u"Linked table '";
    text.append(entry.Name).append(u"' (table '").append(entry.ForeignName).append(u"' of '");
    text.append(database).append(u"'): ");
    return text;
}

std::shared_ptr<DatabaseFile> OpenLinked(DatabaseFile& linking, LinkedFiles& links, const CatalogTable& entry,
                                         std::u16string_view stored, const ConnectText& connect,
                                         platform::FileIdentity& identity) {
    const std::string path = LocateFile(linking, links, entry, stored);
    if (!platform::IdentityOfFile(path, identity)) {
        std::u16string description = Source(entry, platform::AnsiToWide(path));
        description.append(u"the file is ").append(platform::AnsiToWide(platform::DescribePath(path)));
        description.append(u".");
        Raise(DaoNumber::FileNotFound, std::move(description));
    }
    const auto open = [&]() -> std::shared_ptr<DatabaseFile> {
        try {
            try {
                return std::make_shared<DatabaseFile>(path, linking.Password(), links.Settings());
            } catch (const EngineError& error) {
                // The link's own password, when it keeps one, is the next try.
                if (error.Code != HResult::DaoError(DaoNumber::NotValidPassword) || !connect.HasPassword)
                    throw;
                return std::make_shared<DatabaseFile>(path, connect.Password, links.Settings());
            }
        } catch (const EngineError& error) {
            if (error.Code == HResult::DaoError(DaoNumber::Cancelled))
                throw;
            std::u16string description = Source(entry, platform::AnsiToWide(path));
            if (error.Code == HResult::DaoError(DaoNumber::UnrecognizedFormat))
                description.append(u"the file is not an Access database: ");
            description.append(error.Description.value_or(u"the database cannot be opened."));
            throw EngineError(error.Code, u"DAO.Database", std::move(description));
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
            std::u16string description = Source(entry, platform::AnsiToWide(path));
            description.append(u"the file cannot be read.");
            throw EngineError(HResult::DaoError(DaoNumber::FileNotFound), u"DAO.Database", std::move(description));
        }
    };
    return links.Open(identity, open);
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
    if (entry.Kind == TableKind::Local)
        return source;
    LinkedFiles* links = database->Links();
    if (links && !links->Settings().FollowLinks) {
        std::u16string description = u"Linked table '";
        description.append(entry.Name).append(u"': linked tables are not followed (--links=no).");
        Raise(DaoNumber::NotSupported, std::move(description));
    }
    // A private registry for a database opened without one (never the
    // engine's own): its links are still found and opened once each.
    std::optional<LinkedFiles> own;
    if (!links) {
        own.emplace(database->Settings());
        links = &*own;
    }
    // Each table a trail reaches, by the file's identity and the entry's place
    // in its catalog: reaching one again is a loop, however the paths read.
    std::vector<std::pair<platform::FileIdentity, std::size_t>> reached;
    const auto place = [](const DatabaseFile& file, const CatalogTable& table) {
        return static_cast<std::size_t>(&table - file.Tables().data());
    };
    if (database->Identity())
        reached.emplace_back(*database->Identity(), place(*database, entry));
    for (int links_followed = 0; source.Table->Kind != TableKind::Local; ++links_followed) {
        const CatalogTable& link = *source.Table;
        if (links_followed == kMaxLinks) {
            std::u16string description = u"Linked table '";
            description.append(entry.Name).append(u"' leads through too many links.");
            Raise(DaoNumber::TableNotFound, std::move(description));
        }
        const ConnectText connect = ParseConnect(link.Connect);
        const bool access = connect.Type.empty() || SameName(connect.Type, u"MS Access");
        const std::u16string_view stored = link.LinkedDatabase.empty() ? connect.Database : link.LinkedDatabase;
        if (link.Kind == TableKind::LinkedOdbc || !access || stored.empty())
            RaiseExternal(link, connect);
        platform::FileIdentity identity;
        std::shared_ptr<DatabaseFile> target = OpenLinked(*source.Database, *links, link, stored, connect, identity);
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
        const std::pair<platform::FileIdentity, std::size_t> here{identity, place(*target, *found)};
        if (std::find(reached.begin(), reached.end(), here) != reached.end()) {
            std::u16string description = u"Linked table '";
            description.append(entry.Name).append(u"' leads back to a table its links pass through (a loop, in '");
            description.append(platform::AnsiToWide(target->Path())).append(u"').");
            Raise(DaoNumber::TableNotFound, std::move(description));
        }
        reached.push_back(here);
        source = TableSource{std::move(target), found};
    }
    return source;
}

} // namespace jet
