#pragma once
// Memo and OLE values: a 12-byte header in the row, the data inline, in one
// long-value row or in a chain of them.

#include "jet/PageFile.h"

#include <vector>

namespace jet {

class LongValueReader {
public:
    explicit LongValueReader(PageFile& file) : file_(file) {}

    // Replaces out with the value's data. Raises on a malformed header, a
    // chain that ends early, loops or leaves the file.
    void Read(ByteSpan header, std::vector<uint8_t>& out);

private:
    // Reads the row a pointer of the value addresses, valid until the next
    // call; a page just after the last one read brings the pages after it
    // along (see the .cpp).
    ByteSpan RowOf(RowPointer pointer);

    PageFile& file_;
    // The page of the last piece read, kept: the values that follow mostly
    // lie on it too, and need neither the file's cache nor its lock.
    PageData held_;
    uint32_t heldNumber_ = 0;
};

} // namespace jet
