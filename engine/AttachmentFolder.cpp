#include "engine/AttachmentFolder.h"

#include "engine/OutputFile.h"
#include "engine/OutputNames.h"
#include "platform/FileNames.h"
#include "platform/Platform.h"

#include <set>

namespace {

std::string Join(const std::string& folder, const std::string& name) { return folder + platform::PathSeparator + name; }

// A folder that is there already, or was made now.
bool MakeFolder(const std::string& path) {
    return platform::CreateFolder(path) || platform::KindOfPath(path) == platform::PathKind::Directory;
}

bool WriteWhole(const std::string& path, const std::vector<uint8_t>& data) {
    // An earlier run's file of that name is replaced, never appended to.
    platform::RemoveFile(path);
    OutputFile file;
    if (!file.OpenAppend(path))
        return false;
    file.Write(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    return file.Close();
}

} // namespace

AttachmentFolder::AttachmentFolder(std::string folder, std::string_view tableName)
    : folder_(std::move(folder)), table_(TableFileName(tableName, "")) {}

std::string AttachmentFolder::Joined(const std::vector<std::string>& paths) {
    std::string cell;
    for (const std::string& path : paths) {
        if (!cell.empty())
            cell += ';';
        cell += path;
    }
    return cell;
}

std::vector<std::string> AttachmentFolder::Write(int64_t row, const std::vector<AttachedFile>& files) {
    std::vector<std::string> written;
    if (files.empty())
        return written;
    const std::string rowName = std::to_string(row);
    const std::string tableFolder = Join(folder_, table_);
    const std::string rowFolder = Join(tableFolder, rowName);
    const bool folders = (tableFolderMade_ || (tableFolderMade_ = MakeFolder(folder_) && MakeFolder(tableFolder))) &&
                         MakeFolder(rowFolder);
    // Two names alike once made valid (or alike but for case where the
    // system ignores case) would overwrite each other: the later takes ~2.
    std::set<std::string> taken;
    for (const AttachedFile& attached : files) {
        const std::string wanted = TableFileName(platform::WideToAnsi(attached.Name), "");
        std::string name = wanted;
        for (int n = 2; !taken.insert(platform::FileNameKey(name)).second; ++n) {
            const std::size_t dot = wanted.rfind('.');
            const std::string stem = dot == std::string::npos || dot == 0 ? wanted : wanted.substr(0, dot);
            const std::string extension = stem.size() == wanted.size() ? "" : wanted.substr(dot);
            name = platform::ValidFileName(stem + "~" + std::to_string(n) + extension);
        }
        const std::string path = Join(rowFolder, name);
        if (!folders || !WriteWhole(path, attached.Data)) {
            if (failed_++ == 0)
                firstFailure_ = path;
            continue;
        }
        ++written_;
        written.push_back(table_ + "/" + rowName + "/" + name);
    }
    return written;
}
