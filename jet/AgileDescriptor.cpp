#include "jet/AgileDescriptor.h"

#include "jet/Errors.h"

#include <map>
#include <optional>

namespace jet {

namespace {

// The agile format allows at most ten million rounds; more would only be
// a damaged (or hostile) file making the open take hours.
constexpr uint32_t kMaxSpinCount = 10'000'000;

[[noreturn]] void RaiseDamaged(std::string_view what) {
    std::string reason = "encryption information damaged: ";
    reason += what;
    RaiseCorrupt(reason);
}

using Attributes = std::map<std::string, std::string, std::less<>>;

struct Element {
    std::string LocalName;
    Attributes Values;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The start tags of the text, in order, with their attributes. Character
// references never occur in the values read here, so none are decoded.
std::vector<Element> StartTags(std::string_view xml) {
    std::vector<Element> elements;
    std::size_t at = 0;
    while ((at = xml.find('<', at)) != std::string_view::npos) {
        ++at;
        if (at >= xml.size())
            break;
        if (xml[at] == '?' || xml[at] == '!' || xml[at] == '/')
            continue;
        std::size_t end = at;
        while (end < xml.size() && !IsSpace(xml[end]) && xml[end] != '>' && xml[end] != '/')
            ++end;
        Element element;
        std::string_view name = xml.substr(at, end - at);
        if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos)
            name.remove_prefix(colon + 1);
        element.LocalName = name;
        at = end;
        for (;;) {
            while (at < xml.size() && IsSpace(xml[at]))
                ++at;
            if (at >= xml.size())
                RaiseDamaged("descriptor ends inside a tag");
            if (xml[at] == '>' || xml[at] == '/')
                break;
            const std::size_t equals = xml.find('=', at);
            if (equals == std::string_view::npos || equals + 1 >= xml.size())
                RaiseDamaged("descriptor attribute");
            std::string_view key = xml.substr(at, equals - at);
            while (!key.empty() && IsSpace(key.back()))
                key.remove_suffix(1);
            std::size_t quote = equals + 1;
            while (quote < xml.size() && IsSpace(xml[quote]))
                ++quote;
            if (quote >= xml.size() || (xml[quote] != '"' && xml[quote] != '\''))
                RaiseDamaged("descriptor attribute");
            const std::size_t close = xml.find(xml[quote], quote + 1);
            if (close == std::string_view::npos)
                RaiseDamaged("descriptor attribute");
            if (const std::size_t colon = key.rfind(':'); colon != std::string_view::npos)
                key.remove_prefix(colon + 1);
            element.Values.emplace(std::string(key), std::string(xml.substr(quote + 1, close - quote - 1)));
            at = close + 1;
        }
        elements.push_back(std::move(element));
    }
    return elements;
}

const std::string& Text(const Element& element, std::string_view key) {
    const auto found = element.Values.find(key);
    if (found == element.Values.end())
        RaiseDamaged("descriptor lacks an attribute");
    return found->second;
}

uint32_t Number(const Element& element, std::string_view key) {
    const std::string& text = Text(element, key);
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        RaiseDamaged("descriptor number");
    return static_cast<uint32_t>(std::stoul(text));
}

std::vector<uint8_t> Binary(const Element& element, std::string_view key) {
    std::vector<uint8_t> bytes;
    if (!DecodeBase64(Text(element, key), bytes))
        RaiseDamaged("descriptor base64 value");
    return bytes;
}

AgileKeyParameters Parameters(const Element& element) {
    AgileKeyParameters p;
    p.SaltSize = Number(element, "saltSize");
    p.BlockSize = Number(element, "blockSize");
    p.KeyBits = Number(element, "keyBits");
    p.HashSize = Number(element, "hashSize");
    p.CipherAlgorithm = Text(element, "cipherAlgorithm");
    p.CipherChaining = Text(element, "cipherChaining");
    p.HashAlgorithm = Text(element, "hashAlgorithm");
    p.Salt = Binary(element, "saltValue");
    if (p.Salt.size() != p.SaltSize || p.SaltSize == 0)
        RaiseDamaged("descriptor salt");
    return p;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

bool DecodeBase64(std::string_view text, std::vector<uint8_t>& out) {
    out.clear();
    uint32_t bits = 0;
    int count = 0;
    int padding = 0;
    for (char c : text) {
        if (IsSpace(c))
            continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = Base64Value(c);
        if (value < 0 || padding > 0)
            return false;
        bits = (bits << 6) | static_cast<uint32_t>(value);
        if (++count == 4) {
            out.push_back(static_cast<uint8_t>(bits >> 16));
            out.push_back(static_cast<uint8_t>(bits >> 8));
            out.push_back(static_cast<uint8_t>(bits));
            bits = 0;
            count = 0;
        }
    }
    // A final group of two or three characters carries one or two bytes.
    if (count == 1 || padding > 2 || (padding > 0 && count + padding != 4))
        return false;
    if (count == 2)
        out.push_back(static_cast<uint8_t>(bits >> 4));
    if (count == 3) {
        out.push_back(static_cast<uint8_t>(bits >> 10));
        out.push_back(static_cast<uint8_t>(bits >> 2));
    }
    return true;
}

AgileDescriptor ParseAgileDescriptor(std::string_view xml) {
    const std::vector<Element> elements = StartTags(xml);
    const Element* keyData = nullptr;
    const Element* passwordKey = nullptr;
    bool passwordEncryptor = false;
    for (const Element& element : elements) {
        if (element.LocalName == "keyData" && !keyData)
            keyData = &element;
        // Each keyEncryptor names its kind; only the password's is ours.
        if (element.LocalName == "keyEncryptor") {
            const auto uri = element.Values.find("uri");
            passwordEncryptor = uri != element.Values.end() && uri->second.ends_with("keyEncryptor/password");
        }
        if (element.LocalName == "encryptedKey" && passwordEncryptor && !passwordKey)
            passwordKey = &element;
    }
    if (!keyData || !passwordKey)
        RaiseDamaged("descriptor lacks the key data or the password key");

    AgileDescriptor d;
    d.KeyData = Parameters(*keyData);
    d.PasswordKey = Parameters(*passwordKey);
    d.SpinCount = Number(*passwordKey, "spinCount");
    if (d.SpinCount > kMaxSpinCount)
        RaiseDamaged("descriptor spin count");
    d.EncryptedVerifierHashInput = Binary(*passwordKey, "encryptedVerifierHashInput");
    d.EncryptedVerifierHashValue = Binary(*passwordKey, "encryptedVerifierHashValue");
    d.EncryptedKeyValue = Binary(*passwordKey, "encryptedKeyValue");
    return d;
}

} // namespace jet
