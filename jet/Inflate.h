#pragma once
// The deflate format (RFC 1951) inside a zlib stream (RFC 1950), as Access
// stores compressed attachments: untrusted bytes, so every code, length and
// distance is checked and the output never grows past what the caller allows.

#include "jet/Bytes.h"

#include <cstddef>
#include <vector>

namespace jet {

// Replaces out with the unpacked bytes of the zlib stream. Raises when the
// stream is malformed, ends early, or would unpack to more than `limit` bytes.
// The Adler-32 checksum after the data is checked when it is there.
void InflateZlib(ByteSpan stream, std::size_t limit, std::vector<uint8_t>& out);

} // namespace jet
