#pragma once
// What this system's file names can hold, and when two paths name one file.

#include <climits>
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The longest path, and the longest name in it, that this system takes
// whole. POSIX: PATH_MAX (less its NUL) and NAME_MAX. Windows: the 259
// characters its users have always been given, and 255 per name.
#ifdef _WIN32
inline constexpr std::size_t kLongestPath = 259;
inline constexpr std::size_t kLongestName = 255;
#else
inline constexpr std::size_t kLongestPath = PATH_MAX - 1;
inline constexpr std::size_t kLongestName = NAME_MAX;
#endif

// `name` as one file name: every character a file name here cannot hold
// becomes '_'. POSIX: '/' and NUL. Windows: < > : " / \ | ? *, control
// characters, a trailing dot or blank, and a device name (CON, PRN, AUX,
// NUL, COM1-9, LPT1-9) before the first dot, which is followed by '_'.
// A name that is valid already comes back unchanged.
std::string ValidFileName(std::string_view name);

// A form of the path under which two paths are equal exactly when the file
// system takes them for one file name: the path itself on POSIX, folded to
// one case on Windows. Neither form is meant to be shown.
std::string FileNameKey(std::string_view path);

} // namespace platform
