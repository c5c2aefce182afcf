#pragma once
// A buffered output file opened for appending in binary mode.

#include <cstdio>
#include <string>
#include <string_view>

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { Close(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // "ab": created when missing, written at its end, no newline translation.
    bool OpenAppend(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    void Write(std::string_view bytes);
    void Put(char byte);
    void Close();

private:
    std::FILE* file_ = nullptr;
};
