#include "platform/Console.h"
#include "platform/Platform.h"

#include <cstdio>

namespace platform {

namespace {

struct MessageText {
    uint32_t Code;
    const char* Text;
};

// Codes of the COM and automation facilities, as the system message table
// words them.
constexpr MessageText kComMessages[] = {
    {0x80004001u, "Not implemented"},
    {0x80004002u, "No such interface supported"},
    {0x80004003u, "Invalid pointer"},
    {0x80004004u, "Operation aborted"},
    {0x80004005u, "Unspecified error"},
    {0x8000FFFFu, "Catastrophic failure"},
    {0x80020003u, "Member not found."},
    {0x80020005u, "Type mismatch."},
    {0x80020006u, "Unknown name."},
    {0x80020008u, "Bad variable type."},
    {0x80020009u, "Exception occurred."},
    {0x8002000Au, "Out of present range."},
    {0x8002000Eu, "Invalid number of parameters."},
    {0x80020012u, "Division by zero."},
    {0x80030005u, "Access Denied."},
    {0x80030008u, "There is insufficient memory available to complete operation."},
    {0x80030020u, "A share violation has occurred."},
    {0x80040154u, "Class not registered"},
    {0x800401F0u, "CoInitialize has not been called."},
};

// Win32 error codes; an HRESULT of the Win32 facility shows the same text.
constexpr MessageText kWin32Messages[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {13, "The data is invalid."},
    {14, "Not enough memory resources are available to complete this operation."},
    {15, "The system cannot find the drive specified."},
    {19, "The media is write protected."},
    {21, "The device is not ready."},
    {23, "Data error (cyclic redundancy check)."},
    {29, "The system cannot write to the specified device."},
    {30, "The system cannot read from the specified device."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {33, "The process cannot access the file because another process has locked a portion of the file."},
    {38, "Reached the end of the file."},
    {39, "The disk is full."},
    {80, "The file exists."},
    {86, "The specified network password is not correct."},
    {87, "The parameter is incorrect."},
    {112, "There is not enough space on the disk."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
};

constexpr uint32_t kWin32FacilityMask = 0xFFFF0000u;
constexpr uint32_t kWin32Facility = 0x80070000u;

template <std::size_t N>
const char* Find(const MessageText (&table)[N], uint32_t code) {
    for (const auto& entry : table)
        if (entry.Code == code)
            return entry.Text;
    return nullptr;
}

} // namespace

// Standard output is wherever the starter of the process put it.
bool HasVisibleStandardOutput() { return true; }

void ShowMessageBox(void* /*owner*/, const std::string& text, unsigned /*style*/) {
    // No window system to wait on: the user reads the box on stderr, every line
    // marked as ours so it stands out from other programs' output.
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r')
            --stop;
        // A line may quote a name from the database: it cannot speak to the terminal.
        out.append("Varnex: ").append(ShownText(std::string_view(text).substr(start, stop - start))).push_back('\n');
        start = end + 1;
    }
    if (out.empty())
        out = "Varnex: \n";
    // One write, so that lines of two threads' boxes do not interleave.
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
}

std::string SystemMessage(int32_t code) {
    const auto value = static_cast<uint32_t>(code);
    const char* text = Find(kComMessages, value);
    if (text == nullptr && (value & kWin32FacilityMask) == kWin32Facility)
        text = Find(kWin32Messages, value & 0xFFFFu);
    else if (text == nullptr && value <= 0xFFFFu)
        text = Find(kWin32Messages, value);
    return text != nullptr ? std::string(text) : std::string();
}

} // namespace platform
