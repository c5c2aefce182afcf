#pragma once
// What Windows writes for a character that a code page lacks ("best fit"):
// a similar character where there is an obvious one, else the default
// character "?". Used to complete the tables of the code pages.

namespace platform::posix {

// A similar character to try when a code page lacks `unit`: the base letter
// of an accented letter, the plain letter of a letter with a stroke, the
// ASCII form of a full-width form; 0 when there is none.
char16_t BestFitSubstitute(char16_t unit);

// Windows' own choice for a character of the Windows ANSI page that the OEM
// page `codePage` lacks, as CharToOemA shows it; -1 when none is recorded
// (then the general substitutes apply).
int OemBestFit(int codePage, char16_t unit);

} // namespace platform::posix
