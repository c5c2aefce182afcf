#include "jet/Errors.h"

namespace jet {

[[noreturn]] void Raise(int daoNumber, std::u16string description) {
    throw EngineError(HResult::DaoError(daoNumber), u"DAO.Database", std::move(description));
}

[[noreturn]] void RaiseCorrupt(std::string_view reason) {
    std::u16string description =
        u"Cannot open database. It may not be a database that your application recognizes, or the file may be "
        u"corrupt. (";
    for (char c : reason)
        description.push_back(static_cast<unsigned char>(c));
    description.push_back(u')');
    Raise(DaoNumber::CorruptDatabase, std::move(description));
}

} // namespace jet
