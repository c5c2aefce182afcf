#include "tools/mkdb/Json.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

namespace {

// Deep enough for any real document, shallow enough that hostile input
// cannot exhaust the stack through recursion.
constexpr int kMaxDepth = 512;

const char* KindName(JsonValue::Kind kind) {
    switch (kind) {
    case JsonValue::Kind::Null: return "null";
    case JsonValue::Kind::Boolean: return "boolean";
    case JsonValue::Kind::Number: return "number";
    case JsonValue::Kind::String: return "string";
    case JsonValue::Kind::Array: return "array";
    case JsonValue::Kind::Object: return "object";
    }
    return "value";
}

[[noreturn]] void WrongKind(JsonValue::Kind wanted, JsonValue::Kind actual) {
    throw std::runtime_error(std::string("JSON: expected ") + KindName(wanted) + ", found " + KindName(actual));
}

void AppendUtf8(std::string& out, unsigned long cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    JsonValue document() {
        skipSpace();
        JsonValue value = parseValue(0);
        skipSpace();
        if (pos_ != text_.size())
            fail("unexpected text after the JSON value");
        return value;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;

    [[noreturn]] void fail(const std::string& what) const { failAt(pos_, what); }

    [[noreturn]] void failAt(std::size_t at, const std::string& what) const {
        std::size_t line = 1, column = 1;
        for (std::size_t i = 0; i < at && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        std::ostringstream message;
        message << "JSON: " << what << " at line " << line << ", column " << column;
        throw std::runtime_error(message.str());
    }

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }

    void skipSpace() {
        while (!atEnd()) {
            char c = text_[pos_];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
                break;
            ++pos_;
        }
    }

    void expectWord(std::string_view word) {
        if (text_.substr(pos_, word.size()) != word)
            fail("invalid literal");
        pos_ += word.size();
    }

    JsonValue parseValue(int depth) {
        if (depth > kMaxDepth)
            fail("nesting too deep");
        if (atEnd())
            fail("unexpected end of input");
        char c = peek();
        switch (c) {
        case '{': return parseObject(depth);
        case '[': return parseArray(depth);
        case '"': return JsonValue::makeString(parseString());
        case 't': expectWord("true"); return JsonValue::makeBoolean(true);
        case 'f': expectWord("false"); return JsonValue::makeBoolean(false);
        case 'n': expectWord("null"); return JsonValue();
        default:
            if (c == '-' || (c >= '0' && c <= '9'))
                return parseNumber();
            fail(std::string("unexpected character '") + c + "'");
        }
    }

    JsonValue parseObject(int depth) {
        ++pos_; // '{'
        std::vector<std::pair<std::string, JsonValue>> members;
        skipSpace();
        if (peek() == '}') {
            ++pos_;
            return JsonValue::makeObject(std::move(members));
        }
        for (;;) {
            skipSpace();
            if (peek() != '"')
                fail("expected a string key");
            std::size_t keyAt = pos_;
            std::string key = parseString();
            for (const auto& member : members) {
                if (member.first == key)
                    failAt(keyAt, "duplicate key \"" + key + "\"");
            }
            skipSpace();
            if (peek() != ':')
                fail("expected ':'");
            ++pos_;
            skipSpace();
            JsonValue value = parseValue(depth + 1);
            members.emplace_back(std::move(key), std::move(value));
            skipSpace();
            if (peek() == ',') {
                ++pos_;
                continue;
            }
            if (peek() == '}') {
                ++pos_;
                return JsonValue::makeObject(std::move(members));
            }
            fail("expected ',' or '}'");
        }
    }

    JsonValue parseArray(int depth) {
        ++pos_; // '['
        std::vector<JsonValue> elements;
        skipSpace();
        if (peek() == ']') {
            ++pos_;
            return JsonValue::makeArray(std::move(elements));
        }
        for (;;) {
            skipSpace();
            elements.push_back(parseValue(depth + 1));
            skipSpace();
            if (peek() == ',') {
                ++pos_;
                continue;
            }
            if (peek() == ']') {
                ++pos_;
                return JsonValue::makeArray(std::move(elements));
            }
            fail("expected ',' or ']'");
        }
    }

    JsonValue parseNumber() {
        std::size_t start = pos_;
        auto digits = [&] {
            std::size_t from = pos_;
            while (!atEnd() && peek() >= '0' && peek() <= '9')
                ++pos_;
            return pos_ - from;
        };
        if (peek() == '-')
            ++pos_;
        if (peek() == '0') {
            ++pos_;
            if (!atEnd() && peek() >= '0' && peek() <= '9')
                fail("leading zero in number");
        } else if (digits() == 0) {
            fail("expected digits");
        }
        if (peek() == '.') {
            ++pos_;
            if (digits() == 0)
                fail("expected digits after '.'");
        }
        if (peek() == 'e' || peek() == 'E') {
            ++pos_;
            if (peek() == '+' || peek() == '-')
                ++pos_;
            if (digits() == 0)
                fail("expected digits in exponent");
        }
        std::string source(text_.substr(start, pos_ - start));
        double value = 0;
        auto result = std::from_chars(source.data(), source.data() + source.size(), value);
        if (result.ec == std::errc::result_out_of_range) {
            // Too large or too small for a double: keep the text, saturate the value.
            bool negative = source[0] == '-';
            bool tiny =
                source.find_first_of("eE") != std::string::npos && source[source.find_first_of("eE") + 1] == '-';
            value =
                tiny ? (negative ? -0.0 : 0.0)
                     : (negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity());
        } else if (result.ec != std::errc() || result.ptr != source.data() + source.size()) {
            failAt(start, "invalid number");
        }
        return JsonValue::makeNumber(std::move(source), value);
    }

    unsigned hex4() {
        if (pos_ + 4 > text_.size())
            fail("truncated \\u escape");
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            char c = text_[pos_++];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<unsigned>(c - 'A' + 10);
            else
                failAt(pos_ - 1, "invalid hex digit in \\u escape");
        }
        return value;
    }

    // Copies one raw UTF-8 sequence, rejecting malformed, overlong and
    // surrogate encodings so that every string handed out is valid UTF-8.
    void copyUtf8(std::string& out) {
        auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text_[i]); };
        unsigned char lead = byte(pos_);
        int extra;
        unsigned long cp;
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++pos_;
            return;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            cp = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            cp = lead & 0x07;
        } else {
            fail("invalid UTF-8");
        }
        if (pos_ + static_cast<std::size_t>(extra) >= text_.size())
            fail("truncated UTF-8");
        for (int i = 1; i <= extra; ++i) {
            unsigned char c = byte(pos_ + static_cast<std::size_t>(i));
            if ((c & 0xC0) != 0x80)
                fail("invalid UTF-8");
            cp = (cp << 6) | (c & 0x3F);
        }
        static const unsigned long kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            fail("invalid UTF-8");
        }
        out.append(text_.substr(pos_, static_cast<std::size_t>(extra) + 1));
        pos_ += static_cast<std::size_t>(extra) + 1;
    }

    std::string parseString() {
        ++pos_; // opening quote
        std::string out;
        for (;;) {
            if (atEnd())
                fail("unterminated string");
            char c = text_[pos_];
            if (c == '"') {
                ++pos_;
                return out;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                fail("control character in string");
            if (c != '\\') {
                copyUtf8(out);
                continue;
            }
            std::size_t escapeAt = pos_;
            ++pos_;
            if (atEnd())
                fail("unterminated string");
            char e = text_[pos_++];
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned long cp = hex4();
                if (cp >= 0xDC00 && cp <= 0xDFFF)
                    failAt(escapeAt, "unpaired low surrogate");
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    if (text_.substr(pos_, 2) != "\\u")
                        failAt(escapeAt, "unpaired high surrogate");
                    pos_ += 2;
                    unsigned long low = hex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        failAt(escapeAt, "unpaired high surrogate");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, cp);
                break;
            }
            default: failAt(escapeAt, "invalid escape");
            }
        }
    }
};

} // namespace

JsonValue JsonValue::makeBoolean(bool value) {
    JsonValue v;
    v.kind_ = Kind::Boolean;
    v.boolean_ = value;
    return v;
}

JsonValue JsonValue::makeNumber(std::string text, double value) {
    JsonValue v;
    v.kind_ = Kind::Number;
    v.text_ = std::move(text);
    v.number_ = value;
    return v;
}

JsonValue JsonValue::makeString(std::string utf8) {
    JsonValue v;
    v.kind_ = Kind::String;
    v.text_ = std::move(utf8);
    return v;
}

JsonValue JsonValue::makeArray(std::vector<JsonValue> elements) {
    JsonValue v;
    v.kind_ = Kind::Array;
    v.elements_ = std::move(elements);
    return v;
}

JsonValue JsonValue::makeObject(std::vector<std::pair<std::string, JsonValue>> members) {
    JsonValue v;
    v.kind_ = Kind::Object;
    v.members_ = std::move(members);
    return v;
}

bool JsonValue::asBoolean() const {
    if (kind_ != Kind::Boolean)
        WrongKind(Kind::Boolean, kind_);
    return boolean_;
}

double JsonValue::asNumber() const {
    if (kind_ != Kind::Number)
        WrongKind(Kind::Number, kind_);
    return number_;
}

const std::string& JsonValue::numberText() const {
    if (kind_ != Kind::Number)
        WrongKind(Kind::Number, kind_);
    return text_;
}

long long JsonValue::asInteger() const {
    if (kind_ != Kind::Number)
        WrongKind(Kind::Number, kind_);
    long long value = 0;
    auto result = std::from_chars(text_.data(), text_.data() + text_.size(), value);
    if (result.ec == std::errc() && result.ptr == text_.data() + text_.size())
        return value;
    // "1e3" or "2.0" are integers written differently; accept them when exact.
    if (std::isfinite(number_) && std::nearbyint(number_) == number_ && std::fabs(number_) < 9.0e15) {
        return static_cast<long long>(number_);
    }
    throw std::runtime_error("JSON: " + text_ + " is not an integer in range");
}

const std::string& JsonValue::asString() const {
    if (kind_ != Kind::String)
        WrongKind(Kind::String, kind_);
    return text_;
}

const std::vector<JsonValue>& JsonValue::elements() const {
    if (kind_ != Kind::Array)
        WrongKind(Kind::Array, kind_);
    return elements_;
}

std::size_t JsonValue::size() const {
    if (kind_ == Kind::Object)
        return members_.size();
    return elements().size();
}

const JsonValue& JsonValue::operator[](std::size_t index) const {
    const auto& all = elements();
    if (index >= all.size()) {
        throw std::runtime_error("JSON: index " + std::to_string(index) + " out of range (size " +
                                 std::to_string(all.size()) + ")");
    }
    return all[index];
}

const std::vector<std::pair<std::string, JsonValue>>& JsonValue::items() const {
    if (kind_ != Kind::Object)
        WrongKind(Kind::Object, kind_);
    return members_;
}

const JsonValue* JsonValue::find(std::string_view key) const {
    for (const auto& member : items()) {
        if (member.first == key)
            return &member.second;
    }
    return nullptr;
}

bool JsonValue::contains(std::string_view key) const { return find(key) != nullptr; }

const JsonValue& JsonValue::operator[](std::string_view key) const {
    const JsonValue* value = find(key);
    if (!value)
        throw std::runtime_error("JSON: missing key \"" + std::string(key) + "\"");
    return *value;
}

JsonValue ParseJson(std::string_view text) { return Parser(text).document(); }

JsonValue ParseJsonFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        return ParseJson(text);
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}
