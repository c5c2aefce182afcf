#pragma once
// A decoded value with the buffers it points into, and what decoding needs
// besides a column's bytes. Kept apart from the decoders so that the
// calculated-column decoder and the plain one can share them without
// including each other.

#include "jet/LongValue.h"

#include "core/Variant.h"

#include <string>
#include <vector>

namespace jet {

// One field's current value with the storage its views point into. The
// buffers keep their capacity from record to record, so reading a table
// allocates only while its largest values grow.
struct FieldValue {
    Variant Value;
    std::u16string Text;
    std::vector<uint8_t> Bytes;
};

struct DecodeContext {
    bool Jet3 = false;
    uint16_t CodePage = 1252;
    LongValueReader* LongValues = nullptr;
    std::vector<uint8_t>* Scratch = nullptr; // long-value data awaiting decoding
    int64_t ValuesLeftEmpty = 0;             // undecodable values presented as NULL
};

} // namespace jet
