// Published test vectors (FIPS 180, FIPS 197, SP 800-38A, RFC 6229): the
// platform's hashes and ciphers must give exactly these bytes.

#include "platform/Crypto.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::crypto::Aes;
using platform::crypto::CryptoError;
using platform::crypto::Digest;
using platform::crypto::Hash;
using platform::crypto::HashAlgorithm;

std::vector<uint8_t> Hex(std::string_view text) {
    std::vector<uint8_t> out;
    for (std::size_t k = 0; k + 1 < text.size(); k += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(std::string(text.substr(k, 2)), nullptr, 16)));
    return out;
}

std::string ToHex(std::span<const uint8_t> bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

std::span<const uint8_t> Text(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(CryptoVectors, HashesOfAbc) {
    struct Case {
        HashAlgorithm algorithm;
        const char* digest;
    } cases[] = {
        {HashAlgorithm::Md5, "900150983cd24fb0d6963f7d28e17f72"},
        {HashAlgorithm::Sha1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {HashAlgorithm::Sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {HashAlgorithm::Sha384, "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed"
                                "8086072ba1e7cc2358baeca134c825a7"},
        {HashAlgorithm::Sha512, "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                                "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    };
    for (const Case& c : cases) {
        const auto digest = Digest(c.algorithm, {Text("abc")});
        EXPECT_EQ(ToHex(digest), c.digest);
        EXPECT_EQ(digest.size(), platform::crypto::HashLength(c.algorithm));
    }
}

TEST(CryptoVectors, HashObjectTakesPartsAndStartsOverAfterEachDigest) {
    Hash hash(HashAlgorithm::Sha1);
    uint8_t out[20];
    // The 448-bit message of FIPS 180, fed in three uneven parts.
    hash.Add(Text("abcdbcdecdefdefgefgh")).Add(Text("fghighijhijkijkljklmklmn")).Add(Text("lmnomnopnopq"));
    hash.Finish(out);
    EXPECT_EQ(ToHex(out), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    hash.Finish(out); // nothing added: the empty message
    EXPECT_EQ(ToHex(out), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
    hash.Add(Text("abc"));
    hash.Finish(out);
    EXPECT_EQ(ToHex(out), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(CryptoVectors, Rc4KeystreamsFor56And128BitKeys) {
    std::vector<uint8_t> data(16, 0);
    platform::crypto::Rc4(Hex("01020304050607"), data);
    EXPECT_EQ(ToHex(data), "293f02d47f37c9b633f2af5285feb46b");
    data.assign(32, 0);
    platform::crypto::Rc4(Hex("0102030405060708090a0b0c0d0e0f10"), data);
    EXPECT_EQ(ToHex(data), "9ac7cc9a609d1ef7b2932899cde41b975248c4959014126a6e8a84f11d1a9e1c");
    // Its own inverse, from a fresh keystream each call.
    platform::crypto::Rc4(Hex("0102030405060708090a0b0c0d0e0f10"), data);
    EXPECT_EQ(data, std::vector<uint8_t>(32, 0));
    // 40-bit keys are refused alike on every platform (see Crypto.h).
    EXPECT_THROW(platform::crypto::Rc4(Hex("0102030405"), data), CryptoError);
    EXPECT_THROW(platform::crypto::Rc4(Hex("01020304050607080910111213141516aa"), data), CryptoError);
}

TEST(CryptoVectors, AesEcbForEveryKeyLength) {
    const auto plain = Hex("00112233445566778899aabbccddeeff");
    struct Case {
        const char* key;
        const char* cipher;
    } cases[] = {
        {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const Case& c : cases) {
        Aes aes(Hex(c.key));
        auto data = plain;
        aes.EncryptEcb(data);
        EXPECT_EQ(ToHex(data), c.cipher);
        aes.DecryptEcb(data);
        EXPECT_EQ(data, plain);
    }
}

TEST(CryptoVectors, AesCbcChainsBlocksAndRestartsWithEachVector) {
    const auto iv = Hex("000102030405060708090a0b0c0d0e0f");
    const auto plain = Hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
    struct Case {
        const char* key;
        const char* cipher;
    } cases[] = {
        {"2b7e151628aed2a6abf7158809cf4f3c", "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"},
        {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
         "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"},
    };
    for (const Case& c : cases) {
        Aes aes(Hex(c.key));
        auto data = plain;
        aes.EncryptCbc(iv, data);
        EXPECT_EQ(ToHex(data), c.cipher);
        // A second call starts again from the vector it is given, not from
        // where the first one ended.
        auto again = Hex(c.cipher);
        aes.DecryptCbc(iv, again);
        EXPECT_EQ(again, plain);
        const auto cipher = Hex(c.cipher);
        std::vector<uint8_t> tail(cipher.begin() + 16, cipher.end());
        aes.DecryptCbc(std::span<const uint8_t>(cipher).first(16), tail);
        EXPECT_EQ(tail, std::vector<uint8_t>(plain.begin() + 16, plain.end()));
    }
}

TEST(CryptoVectors, AesRefusesBadLengths) {
    EXPECT_THROW(Aes(Hex("00112233")), CryptoError);
    Aes aes(Hex("000102030405060708090a0b0c0d0e0f"));
    std::vector<uint8_t> ragged(20, 0);
    EXPECT_THROW(aes.DecryptEcb(ragged), CryptoError);
    std::vector<uint8_t> block(16, 0);
    EXPECT_THROW(aes.DecryptCbc(Hex("0001"), block), CryptoError);
}

} // namespace
