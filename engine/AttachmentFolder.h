#pragma once
// The files of a table's attachment values, written out one folder per
// record: FOLDER/TABLE/ROW/NAME, with the table and file names made valid
// file names as the table files' are, so nothing lands outside FOLDER.

#include "core/Database.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class AttachmentFolder {
public:
    AttachmentFolder(std::string folder, std::string_view tableName);

    // Writes the files of the record numbered `row` (from 1) and returns
    // their paths relative to FOLDER, with "/" between names. A file that
    // cannot be written is left out of the list and counted.
    std::vector<std::string> Write(int64_t row, const std::vector<AttachedFile>& files);
    // The paths as a CSV cell names them: joined by ";".
    static std::string Joined(const std::vector<std::string>& paths);

    int64_t FilesWritten() const { return written_; }
    int64_t FilesFailed() const { return failed_; }
    // The first path that could not be written, for the message.
    const std::string& FirstFailure() const { return firstFailure_; }

private:
    std::string folder_;
    std::string table_; // the table's folder name
    bool tableFolderMade_ = false;
    int64_t written_ = 0;
    int64_t failed_ = 0;
    std::string firstFailure_;
};
