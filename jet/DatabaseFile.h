#pragma once
// One open database file with its catalog, shared by the database object
// and every table definition and recordset taken from it, so that each of
// them stays usable for as long as it is held.

#include "jet/Catalog.h"
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
    DatabaseFile(const std::string& path, const std::optional<std::u16string>& password, bool openAce);

    PageFile& File() { return file_; }
    // How this file was opened: linked tables open their databases alike.
    const std::string& Path() const { return path_; }
    const std::optional<std::u16string>& Password() const { return password_; }
    bool OpensAce() const { return openAce_; }
    // Databases that linked tables lead to, each opened once, by path.
    std::map<std::string, std::shared_ptr<DatabaseFile>>& LinkedFiles() { return linkedFiles_; }
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
    bool openAce_;
    PageFile file_;
    std::vector<CatalogTable> tables_;
    std::map<uint32_t, std::shared_ptr<const TableDefinition>> definitions_;
    std::map<const CatalogTable*, std::unique_ptr<const Fields>> fieldLists_;
    std::map<std::string, std::shared_ptr<DatabaseFile>> linkedFiles_;
};

} // namespace jet
