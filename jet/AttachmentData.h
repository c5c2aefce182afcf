#pragma once
// The FileData value of an attachment: an envelope saying whether the
// content is deflated, and a content header naming the file's extension
// before the file's own bytes.

#include "jet/Bytes.h"

#include <vector>

namespace jet {

// Replaces out with the file's bytes. Raises when the envelope or the
// content header does not hold together.
void UnpackAttachment(ByteSpan fileData, std::vector<uint8_t>& out);

} // namespace jet
