#pragma once
// One open database file with its catalog, shared by the database object
// and every table definition and recordset taken from it, so that each of
// them stays usable for as long as it is held.

#include "jet/Catalog.h"
#include "jet/LinkedFiles.h"
#include "jet/PageFile.h"
#include "jet/TableDefinition.h"

#include "core/Database.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace jet {

class DatabaseFile {
public:
    // A linked file is opened with the settings of the database it is reached from.
    DatabaseFile(const std::string& path, const std::optional<std::u16string>& password, const OpenSettings& settings);
    // The database the caller opens: it keeps the files its links lead to.
    DatabaseFile(const std::string& path, const std::optional<std::u16string>& password, OpenSettings settings,
                 bool keepsLinks);

    PageFile& File() { return file_; }
    // How this file was opened: linked tables open their databases alike.
    const std::string& Path() const { return path_; }
    const std::optional<std::u16string>& Password() const { return password_; }
    bool OpensAce() const { return settings_.OpenAce; }
    const OpenSettings& Settings() const { return settings_; }
    // The files linked tables lead to, for the database the caller opened
    // (null for a linked file: links of links are found through the first).
    LinkedFiles* Links() { return links_.get(); }
    // The file's identity, when the system could tell it: a link back to
    // this file is a loop.
    const std::optional<platform::FileIdentity>& Identity() const { return identity_; }
    const std::vector<CatalogTable>& Tables() const { return tables_; }
    // The catalog entry of a table, compared without regard to case; raises
    // daoNumber when there is none.
    const CatalogTable& FindTable(std::u16string_view name, int daoNumber) const;
    std::shared_ptr<const TableDefinition> Definition(uint32_t page);
    // Field lists of table definitions, kept here so that a list stays valid
    // for as long as the database is, whoever held the definition.
    std::map<const CatalogTable*, std::unique_ptr<const Fields>>& DefinitionFields() { return fieldLists_; }

private:
    std::string path_;
    std::optional<std::u16string> password_;
    OpenSettings settings_;
    PageFile file_;
    std::optional<platform::FileIdentity> identity_;
    std::vector<CatalogTable> tables_;
    std::map<uint32_t, std::shared_ptr<const TableDefinition>> definitions_;
    std::map<const CatalogTable*, std::unique_ptr<const Fields>> fieldLists_;
    std::unique_ptr<LinkedFiles> links_;
};

} // namespace jet
