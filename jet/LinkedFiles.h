#pragma once
// The databases that linked tables lead to, for one opened database and all
// that is reached from it. A file is known by its identity, not by the text
// of its path: every spelling of one file shares one open (and one key
// derivation). Only a few are held open at a time, so links to many files,
// or many links, never run out of descriptors or memory; a file let go is
// opened again should a later table need it, which a run that reads its
// tables in order seldom does.

#include "core/Database.h"
#include "platform/Platform.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace jet {

class DatabaseFile;

// How a database and the files its links lead to are opened.
struct OpenSettings {
    bool OpenAce = true;
    // Searched for a linked file after its stored path and the linking
    // database's folder, in order.
    std::vector<std::string> LinkFolders;
    bool FollowLinks = true;
    const std::atomic<int32_t>* StopRequested = nullptr;
};

class LinkedFiles {
public:
    // Opened files held at once; the rest are opened again when asked for.
    static constexpr std::size_t kHeldFiles = 8;

    explicit LinkedFiles(OpenSettings settings) : settings_(std::move(settings)) {}
    const OpenSettings& Settings() const { return settings_; }
    // The database these links start from: a link back to its file is
    // answered by it, with no second open or key derivation.
    void Adopt(const platform::FileIdentity& identity, std::weak_ptr<DatabaseFile> database) {
        rootIdentity_ = identity;
        root_ = std::move(database);
    }

    // The file of that identity, opened by open() on first request (or after
    // it was let go). A file that failed to open fails again with the same
    // error, without a second try: a wrong password costs one derivation.
    std::shared_ptr<DatabaseFile> Open(const platform::FileIdentity& identity,
                                       const std::function<std::shared_ptr<DatabaseFile>()>& open);

private:
    OpenSettings settings_;
    std::list<std::pair<platform::FileIdentity, std::shared_ptr<DatabaseFile>>> held_; // most recent first
    std::map<platform::FileIdentity, EngineError> failed_;
    std::optional<platform::FileIdentity> rootIdentity_;
    std::weak_ptr<DatabaseFile> root_; // weak: the database owns this object
};

} // namespace jet
