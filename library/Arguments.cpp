#include "Arguments.h"

std::size_t SplitArguments(char* text, char** pieces, std::size_t capacity) {
    if (text == nullptr)
        return 0;
    std::size_t count = 0;
    char* cursor = text;
    while (count < capacity) {
        while (*cursor == '#')
            ++cursor;
        if (*cursor == '\0')
            break;
        pieces[count++] = cursor;
        while (*cursor != '\0' && *cursor != '#')
            ++cursor;
        if (*cursor == '\0')
            break;
        *cursor++ = '\0';
    }
    return count;
}
