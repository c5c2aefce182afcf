#pragma once
// Everything the system asks of the operating system. One header, two
// implementations: platform/win32 calls the real functions, platform/posix
// carries small equivalents of its own.

#include "core/Variant.h"

#include <atomic>
#include <compare>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

#ifdef _WIN32
constexpr char PathSeparator = '\\';
#else
constexpr char PathSeparator = '/';
#endif

// --- Text: the system's narrow ("ANSI") code page and the OEM code page ---
// UTF-16 to ANSI; characters the code page lacks become its default character.
void WideToAnsi(std::u16string_view text, std::string& out);
std::string WideToAnsi(std::u16string_view text);
std::u16string AnsiToWide(std::string_view text);
// ANSI to OEM, in place (the text may get shorter, never longer).
void AnsiToOem(std::string& text);
// Whether the ANSI text of a text value may be formed piece by piece: its
// ASCII characters as their own bytes and each run of other characters by
// WideToAnsi alone, down to a run of one character (a surrogate pair kept
// together), with the same bytes as the value's own conversion. The caller
// may then skip that conversion.
bool AnsiTextKeepsAscii();
// Text in a Windows code page (a database's own, single- or double-byte) to
// UTF-16, appended to out; bytes the page leaves undefined become U+FFFD.
// False, with out unchanged, when this system cannot convert that page.
bool AppendCodePageText(uint32_t codePage, std::string_view bytes, std::u16string& out);
// UTF-16 to a Windows code page; false when this system cannot convert to
// it or a character has no form there.
bool CodePageText(uint32_t codePage, std::u16string_view text, std::string& out);

// --- Values ---
// The default text conversion of a value in the user's locale, as narrow
// ANSI text. Returns 0, or the failing conversion's result code (out is then
// empty). Text values are converted unchanged.
int32_t VariantToText(const Variant& value, std::string& out);
// What VariantToText gives a Boolean, number, currency or date value,
// written straight to `to` (room for `room` bytes): its length, or
// kTextNotWritten when the value is left to VariantToText: any other type,
// a value that fails to convert, too little room, and every value where the
// system's runtime does the converting (Windows).
constexpr std::size_t kTextNotWritten = static_cast<std::size_t>(-1);
std::size_t WriteScalarText(const Variant& value, char* to, std::size_t room);
// Whether a text WriteScalarText writes for a value of this type may hold
// the byte: a cell whose text cannot hold the field delimiter is never
// searched for it.
bool ScalarTextMayHold(VarType type, char byte);

// --- Files and folders ---
bool RemoveFile(const std::string& path);
// Makes one folder (its parent must exist); false when it cannot, an
// existing one included.
bool CreateFolder(const std::string& path);
// Moves from onto to, replacing a file already there, in one step where the
// system can: a reader of to sees the old file or the new one, never neither.
bool MoveFileOver(const std::string& from, const std::string& to);
// What a path names, found without reading from it and without blocking: a
// FIFO or a device named like a database would hang a read or never end it.
enum class PathKind { Missing, RegularFile, Directory, Other };
PathKind KindOfPath(const std::string& path);
// Whether path names an existing ordinary file (not a folder, pipe or device).
inline bool IsRegularFile(const std::string& path) { return KindOfPath(path) == PathKind::RegularFile; }
// A file as the system knows it, whatever path names it (another spelling,
// a link, a relative form): device and inode on POSIX, volume serial number
// and file index on Windows.
struct FileIdentity {
    uint64_t Volume = 0;
    uint64_t Index = 0;
    auto operator<=>(const FileIdentity&) const = default;
};
// The identity of the regular file at path; false when path names no regular
// file or the system cannot tell.
bool IdentityOfFile(const std::string& path, FileIdentity& out);
// What a path that is not a regular file names, for a message: "missing",
// "a folder", "a FIFO", "a device", "a socket" or "not a regular file";
// "a regular file" for one.
std::string DescribePath(const std::string& path);
// The folders VARNEX_LINK_PATH names (separated by ":" on POSIX, ";" on
// Windows, empty entries left out), in order; none when it is not set.
std::vector<std::string> LinkPathFolders();
// Names (not paths) of the directory entries matching the pattern's last
// component ("*" and "?" wildcards), in the platform's order. Entries whose
// names begin with "." are reported too; callers decide.
std::vector<std::string> FindMatchingNames(const std::string& pattern);
// Whether text holds a wildcard ("*" or "?"), so that it names the entries
// FindMatchingNames finds rather than one file.
inline bool HasWildcard(std::string_view text) { return text.find_first_of("*?") != std::string_view::npos; }
// Full path of the running executable.
std::string ExecutablePath();
// Full path of the module (executable or shared library) holding this code.
std::string ModulePath();
// The per-user application-data folder, or empty when there is none.
std::string AppDataFolder();

// --- Profile (INI) files ---
std::string ReadProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                              const std::string& file, std::size_t capacity = 259);
int ReadProfileInt(std::string_view section, std::string_view key, int defaultValue, const std::string& file);
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& file);

// --- Per-user registry (HKEY_CURRENT_USER) ---
// False (and out empty) when the key or value is missing or longer than bufferBytes - 1.
bool ReadRegistryString(std::string_view subkey, std::string_view name, std::string& out,
                        std::size_t bufferBytes = 255);
bool WriteRegistryString(std::string_view subkey, std::string_view name, std::string_view value);

// --- Messages ---
constexpr unsigned MessageOk = 0x0;
constexpr unsigned MessageIconError = 0x10;
// Shows a message box (POSIX: writes the text to stderr and returns at once).
void ShowMessageBox(void* owner, const std::string& text, unsigned style);
// Whether text written to standard output reaches anyone: a console, a file
// or a pipe. A Windows GUI program started from a window or a console has
// none unless its output was redirected.
bool HasVisibleStandardOutput();
// The system's text for a result code, without the trailing line break; empty when it has none.
std::string SystemMessage(int32_t code);

// --- Stopping ---
// From now on an interrupt (Ctrl+C, SIGINT) or a termination request
// (SIGTERM, closing the console) sets *flag to the signal's number instead of
// ending the process at once, so the run can stop between records. A second
// request ends the process as usual. One flag per process; none (nullptr)
// gives the signals back their usual effect.
void StopOnInterrupt(std::atomic<int32_t>* flag);
// The exit status a shell gives a process ended by that signal (128 + number).
int ExitCodeForSignal(int32_t signal);

// --- Threads ---
// How many threads one conversion may keep busy: VARNEX_THREADS when it is a
// number from 1 to 64 (1 keeps the work on one thread), else the processor count.
int32_t ThreadsAllowed();

// --- Time ---
struct LocalTime {
    int Year, Month, Day, Hour, Minute, Second;
};
LocalTime LocalNow();
int64_t SecondsNow();

} // namespace platform
