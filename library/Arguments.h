#pragma once
// Turning the library's one-text form of the arguments into an argument array.

#include <cstddef>

// The argument array of one text call has room for this many pieces; any
// further pieces are left out.
constexpr std::size_t kMaxArguments = 2048;

// Cuts text at '#' into pieces, in place: each '#' that ends a piece becomes a
// NUL, and pieces[i] points at the start of piece i inside text. Runs of '#',
// and '#' at either end, separate pieces without making empty ones. Returns
// the number of pieces stored, at most capacity; scanning stops once the
// array is full, so the text after that is left as it was.
std::size_t SplitArguments(char* text, char** pieces, std::size_t capacity);
