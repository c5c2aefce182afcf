#include "engine/BinaryText.h"

namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

} // namespace

void AppendHex(std::span<const uint8_t> bytes, std::string& out) {
    const std::size_t at = out.size();
    out.resize(at + 2 * bytes.size());
    char* to = out.data() + at;
    for (const uint8_t byte : bytes) {
        *to++ = kUpperHex[byte >> 4];
        *to++ = kUpperHex[byte & 0xF];
    }
}

void AppendBase64(std::span<const uint8_t> bytes, std::string& out) {
    const std::size_t at = out.size();
    out.resize(at + (bytes.size() + 2) / 3 * 4);
    char* to = out.data() + at;
    std::size_t k = 0;
    for (; k + 3 <= bytes.size(); k += 3) {
        const uint32_t group = (uint32_t{bytes[k]} << 16) | (uint32_t{bytes[k + 1]} << 8) | bytes[k + 2];
        *to++ = kBase64[group >> 18];
        *to++ = kBase64[(group >> 12) & 0x3F];
        *to++ = kBase64[(group >> 6) & 0x3F];
        *to++ = kBase64[group & 0x3F];
    }
    const std::size_t left = bytes.size() - k;
    if (left == 0)
        return;
    const uint32_t group = (uint32_t{bytes[k]} << 16) | (left == 2 ? uint32_t{bytes[k + 1]} << 8 : 0);
    *to++ = kBase64[group >> 18];
    *to++ = kBase64[(group >> 12) & 0x3F];
    *to++ = left == 2 ? kBase64[(group >> 6) & 0x3F] : '=';
    *to++ = '=';
}
