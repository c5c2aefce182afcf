#include "jet/JetEngine.h"

#include "jet/JetObjects.h"

#include "platform/Platform.h"

namespace jet {

namespace {

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c; }

// The password of a connect text ";pwd=<password>": everything after the
// keyword, taken literally, so that a password may itself hold ";".
std::optional<std::u16string> PasswordOf(const std::optional<std::u16string>& connect) {
    if (!connect)
        return std::nullopt;
    const std::u16string_view text = *connect;
    static constexpr std::u16string_view kKey = u"pwd=";
    for (std::size_t at = 0; at + kKey.size() <= text.size(); ++at) {
        if (at != 0 && text[at - 1] != u';')
            continue;
        bool match = true;
        for (std::size_t k = 0; k < kKey.size() && match; ++k)
            match = Lower(text[at + k]) == kKey[k];
        if (match)
            return std::u16string(text.substr(at + kKey.size()));
    }
    return std::nullopt;
}

class JetEngine : public DBEngine {
public:
    explicit JetEngine(bool openAce) : openAce_(openAce) {}

    // Options (exclusive use) and readOnly need no action: the file is only
    // ever read and never locked.
    std::unique_ptr<Database> OpenDatabase(std::u16string_view name, int32_t options, bool readOnly,
                                           const std::optional<std::u16string>& connect) override {
        return OpenDatabaseWith(name, options, readOnly, connect, OpenOptions());
    }

    std::unique_ptr<Database> OpenDatabaseWith(std::u16string_view name, int32_t, bool,
                                               const std::optional<std::u16string>& connect,
                                               const OpenOptions& open) override {
        try {
            OpenSettings settings;
            settings.OpenAce = openAce_;
            settings.FollowLinks = open.FollowLinks;
            settings.StopRequested = open.StopRequested;
            for (const std::u16string& folder : open.LinkFolders)
                settings.LinkFolders.push_back(platform::WideToAnsi(folder));
            // The caller made the name from ANSI text; the same page turns it
            // back, so the file system sees the bytes the user gave.
            auto file = std::make_shared<DatabaseFile>(platform::WideToAnsi(name), PasswordOf(connect),
                                                       std::move(settings), true);
            if (file->Identity())
                file->Links()->Adopt(*file->Identity(), file);
            return std::make_unique<JetDatabase>(std::move(file));
        } catch (const EngineError&) {
            throw;
        } catch (const std::bad_alloc&) {
            throw EngineError(HResult::OutOfMemory);
        } catch (const std::exception&) {
            // Whatever else the file system refuses is a file not found.
            throw EngineError(HResult::DaoError(DaoNumber::FileNotFound));
        }
    }

private:
    bool openAce_;
};

} // namespace

} // namespace jet

std::unique_ptr<DBEngine> CreateJetEngine(bool openAce) { return std::make_unique<jet::JetEngine>(openAce); }
