#pragma once
// The databases that linked tables lead to, for one opened database and all
// that is reached from it. A file is known by its identity, not by the text
// of its path: every spelling of one file opens it (and derives its key)
// once. Only a few are held open at a time, so links to many files, or many
// links, never run out of descriptors or memory.

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

#include "core/Database.h"

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

    // The file of that identity, opened by open() on first request (or after
    // it was let go). A file that failed to open fails again with the same
    // error, without a second try: a wrong password costs one derivation.
    std::shared_ptr<DatabaseFile> Open(const platform::FileIdentity& identity,
                                       const std::function<std::shared_ptr<DatabaseFile>()>& open);
    std::size_t Held() const { return held_.size(); }
    // How many times a file was opened (not found held): the test of "once".
    std::size_t Opens() const { return opens_; }

private:
    OpenSettings settings_;
    std::list<std::pair<platform::FileIdentity, std::shared_ptr<DatabaseFile>>> held_; // most recent first
    std::map<platform::FileIdentity, EngineError> failed_;
    std::size_t opens_ = 0;
};

} // namespace jet
