#include "jet/LinkedFiles.h"

#include "jet/DatabaseFile.h"
#include "jet/Errors.h"

namespace jet {

std::shared_ptr<DatabaseFile> LinkedFiles::Open(const platform::FileIdentity& identity,
                                                const std::function<std::shared_ptr<DatabaseFile>()>& open) {
    if (rootIdentity_ && *rootIdentity_ == identity)
        if (std::shared_ptr<DatabaseFile> root = root_.lock())
            return root;
    for (auto it = held_.begin(); it != held_.end(); ++it) {
        if (it->first == identity) {
            held_.splice(held_.begin(), held_, it);
            return held_.front().second;
        }
    }
    if (const auto failed = failed_.find(identity); failed != failed_.end())
        throw failed->second;
    std::shared_ptr<DatabaseFile> opened;
    try {
        opened = open();
    } catch (const EngineError& error) {
        // A stop is no property of the file: a later run may open it.
        if (error.Code != HResult::DaoError(DaoNumber::Cancelled))
            failed_.emplace(identity, error);
        throw;
    }
    held_.emplace_front(identity, opened);
    if (held_.size() > kHeldFiles)
        held_.pop_back();
    return opened;
}

} // namespace jet
