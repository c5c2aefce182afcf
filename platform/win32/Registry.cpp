#include "platform/Platform.h"

#include <windows.h>

#include <climits>
#include <cstring>

namespace platform {

namespace {

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key_ != nullptr)
            RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    PHKEY out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

} // namespace

bool ReadRegistryString(std::string_view subkey, std::string_view name, std::string& out, std::size_t bufferBytes) {
    out.clear();
    if (bufferBytes == 0 || bufferBytes >= static_cast<std::size_t>(INT_MAX))
        return false;
    RegistryKey key;
    const std::string subkeyText(subkey), nameText(name);
    if (RegOpenKeyA(HKEY_CURRENT_USER, subkeyText.c_str(), key.out()) != ERROR_SUCCESS)
        return false;

    // One byte more than we offer, so that a value stored without its NUL
    // still comes back terminated.
    std::string buffer(bufferBytes + 1, '\0');
    DWORD size = static_cast<DWORD>(bufferBytes);
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), nameText.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &size) !=
        ERROR_SUCCESS)
        return false;
    const std::size_t length = std::strlen(buffer.c_str());
    if (length > bufferBytes - 1)
        return false;
    out.assign(buffer, 0, length);
    return true;
}

bool WriteRegistryString(std::string_view subkey, std::string_view name, std::string_view value) {
    if (value.size() >= static_cast<std::size_t>(INT_MAX))
        return false;
    RegistryKey key;
    const std::string subkeyText(subkey), nameText(name), valueText(value);
    if (RegCreateKeyA(HKEY_CURRENT_USER, subkeyText.c_str(), key.out()) != ERROR_SUCCESS)
        return false;
    return RegSetValueExA(key.get(), nameText.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(valueText.c_str()),
                          static_cast<DWORD>(valueText.size() + 1)) == ERROR_SUCCESS;
}

} // namespace platform
