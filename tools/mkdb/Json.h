#pragma once
// A small, strict JSON reader: fixture descriptions and expected-result files
// are hand-written or machine-written JSON, and a silent misreading would hide
// a wrong test, so anything outside RFC 8259 is an error with a position.

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class JsonValue {
public:
    enum class Kind { Null, Boolean, Number, String, Array, Object };

    JsonValue() = default;
    static JsonValue makeBoolean(bool value);
    static JsonValue makeNumber(std::string text, double value);
    static JsonValue makeString(std::string utf8);
    static JsonValue makeArray(std::vector<JsonValue> elements);
    // Members keep their source order; duplicate keys are rejected by the parser.
    static JsonValue makeObject(std::vector<std::pair<std::string, JsonValue>> members);

    Kind kind() const { return kind_; }
    bool isNull() const { return kind_ == Kind::Null; }
    bool isBoolean() const { return kind_ == Kind::Boolean; }
    bool isNumber() const { return kind_ == Kind::Number; }
    bool isString() const { return kind_ == Kind::String; }
    bool isArray() const { return kind_ == Kind::Array; }
    bool isObject() const { return kind_ == Kind::Object; }

    // The accessors throw std::runtime_error when the kind does not match,
    // so a malformed description fails loudly instead of reading as empty.
    bool asBoolean() const;
    double asNumber() const;
    // The number exactly as written in the source (e.g. "1.10", "-0", "1e400"),
    // for callers that must not lose digits to a double.
    const std::string& numberText() const;
    // A number that must be an integer in range; throws otherwise.
    long long asInteger() const;
    const std::string& asString() const; // UTF-8

    // Arrays.
    const std::vector<JsonValue>& elements() const;
    std::size_t size() const; // elements of an array or members of an object
    const JsonValue& operator[](std::size_t index) const;

    // Objects.
    const std::vector<std::pair<std::string, JsonValue>>& items() const;
    bool contains(std::string_view key) const;
    // Throws when the key is missing.
    const JsonValue& operator[](std::string_view key) const;
    // nullptr when the key is missing.
    const JsonValue* find(std::string_view key) const;

private:
    Kind kind_ = Kind::Null;
    bool boolean_ = false;
    double number_ = 0;
    std::string text_; // string contents or the number's source text
    std::vector<JsonValue> elements_;
    std::vector<std::pair<std::string, JsonValue>> members_;
};

// Parses one JSON document (surrounding whitespace allowed). Throws
// std::runtime_error with the line and column of the first fault.
JsonValue ParseJson(std::string_view text);

// Reads and parses a file; errors name the file.
JsonValue ParseJsonFile(const std::string& path);
