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
    PageFile& file_;
};

} // namespace jet
