#include "platform/Platform.h"
#include "platform/FolderList.h"

#include <windows.h>
#include <shlobj.h>

namespace platform {

namespace {

// A module's file name, in a buffer that grows until the name fits: paths
// beyond MAX_PATH exist and must not come back cut.
std::string ModuleFileName(HMODULE module) {
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetModuleFileNameA(module, buffer.data(), size);
        if (length == 0)
            return {};
        if (length < size) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= 32768)
            return {}; // no Windows path is longer
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool CreateFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

bool MoveFileOver(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

PathKind KindOfPath(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return PathKind::Directory;
    if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0)
        return PathKind::Other;
    // Names of devices and pipes ("NUL", "COM1", "\\.\pipe\x") can report
    // plain attributes; only a handle tells what they are. No access is asked
    // for, so nothing is read and nothing waits.
    const HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return PathKind::RegularFile; // the open that follows reports why it cannot read it
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type == FILE_TYPE_DISK ? PathKind::RegularFile : PathKind::Other;
}

bool IdentityOfFile(const std::string& path, FileIdentity& out) {
    // No access is asked for: the handle only answers what file it is.
    const HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) != FALSE &&
                       (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    CloseHandle(handle);
    if (!known)
        return false;
    out.Volume = info.dwVolumeSerialNumber;
    out.Index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

std::string DescribePath(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return "missing";
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return "a folder";
    const HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return (attributes & FILE_ATTRIBUTE_DEVICE) != 0 ? "a device" : "a regular file";
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    switch (type) {
    case FILE_TYPE_DISK: return "a regular file";
    case FILE_TYPE_CHAR: return "a device";
    case FILE_TYPE_PIPE: return "a pipe";
    default: return "not a regular file";
    }
}

std::vector<std::string> LinkPathFolders() {
    char small[1024];
    DWORD length = GetEnvironmentVariableA("VARNEX_LINK_PATH", small, sizeof small);
    if (length == 0)
        return {};
    std::string value;
    if (length < sizeof small) {
        value.assign(small, length);
    } else {
        value.resize(length);
        length = GetEnvironmentVariableA("VARNEX_LINK_PATH", value.data(), length);
        value.resize(length < value.size() ? length : 0);
    }
    return SplitFolderList(value, ';');
}

std::vector<std::string> FindMatchingNames(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string ExecutablePath() { return ModuleFileName(nullptr); }

std::string ModulePath() {
    // The module that holds this function: the DLL when we are inside one.
    HMODULE module = nullptr;
    const auto flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(&ModulePath), &module))
        return {};
    return ModuleFileName(module);
}

std::string AppDataFolder() {
    LPITEMIDLIST item = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &item)) || item == nullptr)
        return {};
    char path[MAX_PATH + 1] = {};
    const BOOL ok = SHGetPathFromIDListA(item, path);
    CoTaskMemFree(item);
    return ok ? std::string(path) : std::string();
}

} // namespace platform
