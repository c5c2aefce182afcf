#include "jet/Inflate.h"

#include <array>
#include <cstdint>

namespace jet {

namespace {

constexpr int kMaxBits = 15;

class BitReader {
public:
    explicit BitReader(ByteSpan bytes) : bytes_(bytes) {}
    uint32_t Bits(int count) {
        while (held_ < count) {
            if (at_ >= bytes_.size())
                RaiseCorrupt("compressed attachment ends early");
            buffer_ |= static_cast<uint32_t>(bytes_[at_++]) << held_;
            held_ += 8;
        }
        const uint32_t value = buffer_ & ((1u << count) - 1);
        buffer_ >>= count;
        held_ -= count;
        return value;
    }
    void ToByte() {
        buffer_ = 0;
        held_ = 0;
    }
    std::size_t Offset() const { return at_; }
    void Skip(std::size_t count) { at_ += count; }
    ByteSpan Bytes() const { return bytes_; }

private:
    ByteSpan bytes_;
    std::size_t at_ = 0;
    uint32_t buffer_ = 0;
    int held_ = 0;
};

// A canonical Huffman code from its code lengths, decoded a bit at a time
// (counts per length and symbols in code order, as the format defines it).
class Huffman {
public:
    Huffman(const uint8_t* lengths, int count) {
        counts_.fill(0);
        for (int k = 0; k < count; ++k)
            ++counts_[lengths[k]];
        counts_[0] = 0;
        // An over-subscribed set of lengths describes no code.
        int left = 1;
        for (int bits = 1; bits <= kMaxBits; ++bits) {
            left = (left << 1) - counts_[bits];
            if (left < 0)
                RaiseCorrupt("compressed attachment has an invalid code");
        }
        std::array<uint16_t, kMaxBits + 2> offsets{};
        for (int bits = 1; bits <= kMaxBits; ++bits)
            offsets[bits + 1] = static_cast<uint16_t>(offsets[bits] + counts_[bits]);
        symbols_.assign(static_cast<std::size_t>(count), 0);
        for (int k = 0; k < count; ++k)
            if (lengths[k] != 0)
                symbols_[offsets[lengths[k]]++] = static_cast<uint16_t>(k);
    }
    int Decode(BitReader& in) const {
        int code = 0, first = 0, index = 0;
        for (int bits = 1; bits <= kMaxBits; ++bits) {
            code |= static_cast<int>(in.Bits(1));
            const int count = counts_[bits];
            if (code - first < count)
                return symbols_[static_cast<std::size_t>(index + code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        RaiseCorrupt("compressed attachment holds an unknown code");
    }

private:
    std::array<uint16_t, kMaxBits + 1> counts_;
    std::vector<uint16_t> symbols_;
};

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                        33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                        1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void Put(std::vector<uint8_t>& out, std::size_t limit, uint8_t byte) {
    if (out.size() >= limit)
        RaiseCorrupt("compressed attachment unpacks to more than it claims");
    out.push_back(byte);
}

void Codes(BitReader& in, const Huffman& literals, const Huffman& distances, std::size_t limit,
           std::vector<uint8_t>& out) {
    for (;;) {
        const int symbol = literals.Decode(in);
        if (symbol < 256) {
            Put(out, limit, static_cast<uint8_t>(symbol));
            continue;
        }
        if (symbol == 256)
            return;
        const int lengthCode = symbol - 257;
        if (lengthCode >= 29)
            RaiseCorrupt("compressed attachment has an invalid length");
        const std::size_t length = kLengthBase[lengthCode] + in.Bits(kLengthExtra[lengthCode]);
        const int distanceCode = distances.Decode(in);
        if (distanceCode >= 30)
            RaiseCorrupt("compressed attachment has an invalid distance");
        const std::size_t distance = kDistanceBase[distanceCode] + in.Bits(kDistanceExtra[distanceCode]);
        if (distance > out.size())
            RaiseCorrupt("compressed attachment refers before its start");
        if (length > limit - out.size())
            RaiseCorrupt("compressed attachment unpacks to more than it claims");
        // Byte by byte: a copy may overlap the bytes it produces.
        const std::size_t from = out.size() - distance;
        for (std::size_t k = 0; k < length; ++k)
            out.push_back(out[from + k]);
    }
}

void FixedBlock(BitReader& in, std::size_t limit, std::vector<uint8_t>& out) {
    static const Huffman literals = [] {
        uint8_t lengths[288];
        for (int k = 0; k < 288; ++k)
            lengths[k] = k < 144 ? 8 : k < 256 ? 9 : k < 280 ? 7 : 8;
        return Huffman(lengths, 288);
    }();
    static const Huffman distances = [] {
        uint8_t lengths[30];
        for (auto& length : lengths)
            length = 5;
        return Huffman(lengths, 30);
    }();
    Codes(in, literals, distances, limit, out);
}

void DynamicBlock(BitReader& in, std::size_t limit, std::vector<uint8_t>& out) {
    const int literalCount = static_cast<int>(in.Bits(5)) + 257;
    const int distanceCount = static_cast<int>(in.Bits(5)) + 1;
    const int lengthCount = static_cast<int>(in.Bits(4)) + 4;
    if (literalCount > 286 || distanceCount > 30)
        RaiseCorrupt("compressed attachment has too many codes");
    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    uint8_t lengthLengths[19] = {};
    for (int k = 0; k < lengthCount; ++k)
        lengthLengths[kOrder[k]] = static_cast<uint8_t>(in.Bits(3));
    const Huffman lengthCode(lengthLengths, 19);

    uint8_t lengths[286 + 30] = {};
    const int total = literalCount + distanceCount;
    for (int k = 0; k < total;) {
        const int symbol = lengthCode.Decode(in);
        if (symbol < 16) {
            lengths[k++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t repeated = 0;
        int times = 0;
        if (symbol == 16) {
            if (k == 0)
                RaiseCorrupt("compressed attachment repeats no length");
            repeated = lengths[k - 1];
            times = 3 + static_cast<int>(in.Bits(2));
        } else if (symbol == 17) {
            times = 3 + static_cast<int>(in.Bits(3));
        } else {
            times = 11 + static_cast<int>(in.Bits(7));
        }
        if (k + times > total)
            RaiseCorrupt("compressed attachment repeats past its lengths");
        while (times-- > 0)
            lengths[k++] = repeated;
    }
    if (lengths[256] == 0)
        RaiseCorrupt("compressed attachment has no end of block");
    const Huffman literals(lengths, literalCount);
    const Huffman distances(lengths + literalCount, distanceCount);
    Codes(in, literals, distances, limit, out);
}

uint32_t Adler32(const std::vector<uint8_t>& bytes) {
    uint32_t a = 1, b = 0;
    std::size_t k = 0;
    while (k < bytes.size()) {
        // 5552 bytes keep the sums within 32 bits before the reduction.
        const std::size_t end = std::min(bytes.size(), k + 5552);
        for (; k < end; ++k) {
            a += bytes[k];
            b += a;
        }
        a %= 65521;
        b %= 65521;
    }
    return (b << 16) | a;
}

} // namespace

void InflateZlib(ByteSpan stream, std::size_t limit, std::vector<uint8_t>& out) {
    out.clear();
    Require(stream, 0, 2, "compressed attachment without its header");
    const unsigned method = stream[0] & 0x0F;
    if (method != 8 || (stream[0] >> 4) > 7 || ((stream[0] << 8) | stream[1]) % 31 != 0 || (stream[1] & 0x20) != 0)
        RaiseCorrupt("compressed attachment of an unknown kind");
    BitReader in(stream.subspan(2));
    bool last = false;
    while (!last) {
        last = in.Bits(1) != 0;
        switch (in.Bits(2)) {
        case 0: {
            in.ToByte();
            const ByteSpan bytes = in.Bytes();
            const std::size_t at = in.Offset();
            Require(bytes, at, 4, "compressed attachment ends early");
            const uint32_t length = bytes[at] | (bytes[at + 1] << 8);
            const uint32_t check = bytes[at + 2] | (bytes[at + 3] << 8);
            if ((length ^ 0xFFFF) != check)
                RaiseCorrupt("compressed attachment has a stored block of two lengths");
            Require(bytes, at + 4, length, "compressed attachment ends early");
            if (length > limit - out.size())
                RaiseCorrupt("compressed attachment unpacks to more than it claims");
            out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + 4 + length));
            in.Skip(4 + length);
            break;
        }
        case 1: FixedBlock(in, limit, out); break;
        case 2: DynamicBlock(in, limit, out); break;
        default: RaiseCorrupt("compressed attachment has a block of an unknown kind");
        }
    }
    in.ToByte();
    const ByteSpan rest = in.Bytes().subspan(in.Offset());
    if (rest.size() >= 4) {
        const uint32_t stored =
            (uint32_t{rest[0]} << 24) | (uint32_t{rest[1]} << 16) | (uint32_t{rest[2]} << 8) | rest[3];
        if (stored != Adler32(out))
            RaiseCorrupt("compressed attachment fails its checksum");
    }
}

} // namespace jet
