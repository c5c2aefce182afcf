#include "jet/DatabaseFile.h"

#include "jet/Names.h"
#include "jet/Properties.h"

namespace jet {

namespace {

std::u16string Quoted(std::u16string_view prefix, std::u16string_view name, std::u16string_view suffix) {
    std::u16string text(prefix);
    text.append(name).append(suffix);
    return text;
}

void CheckAccess(PageFile& file, const std::optional<std::u16string>& password, const OpenSettings& settings) {
    const Header& header = file.GetHeader();
    if (header.IsAce() && !settings.OpenAce)
        Raise(DaoNumber::UnrecognizedFormat, u"Unrecognized database format.");
    if (header.AceEncrypted())
        file.SetDecryptor(UnlockEncryptedFile(header, file.HeaderPage(), password, settings.StopRequested));
    // A database without a password opens whatever the caller passes.
    if (!header.Password.empty() && header.Password != password.value_or(u""))
        Raise(DaoNumber::NotValidPassword, u"Not a valid password.");
}

} // namespace

DatabaseFile::DatabaseFile(const std::string& path, const std::optional<std::u16string>& password,
                           const OpenSettings& settings)
    : path_(path), password_(password), settings_(settings), file_(path) {
    CheckAccess(file_, password, settings_);
    tables_ = ReadCatalog(file_);
    platform::FileIdentity identity;
    if (platform::IdentityOfFile(path, identity))
        identity_ = identity;
}

DatabaseFile::DatabaseFile(const std::string& path, const std::optional<std::u16string>& password,
                           OpenSettings settings, bool keepsLinks)
    : DatabaseFile(path, password, settings) {
    if (keepsLinks)
        links_ = std::make_unique<LinkedFiles>(std::move(settings));
}

const CatalogTable& DatabaseFile::FindTable(std::u16string_view name, int daoNumber) const {
    for (const CatalogTable& table : tables_)
        if (SameName(table.Name, name))
            return table;
    if (daoNumber == DaoNumber::TableNotFound)
        Raise(daoNumber, Quoted(u"The database engine cannot find the input table or query '", name,
                                u"'. Make sure it exists and that its name is spelled correctly."));
    Raise(daoNumber, u"Item not found in this collection.");
}

std::shared_ptr<const TableDefinition> DatabaseFile::Definition(uint32_t page) {
    auto found = definitions_.find(page);
    if (found != definitions_.end())
        return found->second;
    auto definition = std::make_shared<TableDefinition>(ReadTableDefinition(file_, page));
    for (const CatalogTable& table : tables_) {
        if (table.Kind != TableKind::Local || table.DefinitionPage != page)
            continue;
        for (Column& column : definition->Columns)
            if (column.IsCalculated())
                column.ResultType = ResultTypeOf(table.Properties, column.Name, file_.IsJet3());
    }
    definitions_.emplace(page, definition);
    return definition;
}

} // namespace jet
