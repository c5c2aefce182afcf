#include "tools/mkdb/Json.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Json, ReadsNestedDocumentKeepingOrderAndNumberText) {
    JsonValue v = ParseJson(R"( {"b": [1, -0, 1.10, 2e3, true, false, null], "a": {"x": "y"}} )");
    ASSERT_TRUE(v.isObject());
    ASSERT_EQ(v.items().size(), 2u);
    EXPECT_EQ(v.items()[0].first, "b"); // source order, not sorted
    const JsonValue& b = v["b"];
    ASSERT_EQ(b.size(), 7u);
    EXPECT_EQ(b[0].asInteger(), 1);
    EXPECT_EQ(b[1].numberText(), "-0");
    EXPECT_EQ(b[2].numberText(), "1.10");
    EXPECT_DOUBLE_EQ(b[2].asNumber(), 1.1);
    EXPECT_EQ(b[3].asInteger(), 2000);
    EXPECT_TRUE(b[4].asBoolean());
    EXPECT_FALSE(b[5].asBoolean());
    EXPECT_TRUE(b[6].isNull());
    EXPECT_EQ(v["a"]["x"].asString(), "y");
    EXPECT_EQ(v.find("missing"), nullptr);
    EXPECT_THROW(v["missing"], std::runtime_error);
    EXPECT_THROW(b[7], std::runtime_error);
    EXPECT_THROW(v["a"].asString(), std::runtime_error);
    EXPECT_THROW(b[2].asInteger(), std::runtime_error);
}

TEST(Json, DecodesEscapesAndSurrogatePairs) {
    JsonValue v = ParseJson(R"(["a\"\\\/\b\f\n\r\t", "\u00e9\u20AC", "\ud83d\ude00", "caf\u00E9 ok", "raw é"])");
    EXPECT_EQ(v[0].asString(), "a\"\\/\b\f\n\r\t");
    EXPECT_EQ(v[1].asString(), "\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(v[2].asString(), "\xF0\x9F\x98\x80");
    EXPECT_EQ(v[3].asString(), "caf\xC3\xA9 ok");
    EXPECT_EQ(v[4].asString(), "raw \xC3\xA9");
}

TEST(Json, HugeNumbersKeepTheirText) {
    JsonValue v = ParseJson("[1e400, -1e400, 1e-400, 123456789012345678901234567890]");
    EXPECT_TRUE(std::isinf(v[0].asNumber()));
    EXPECT_LT(v[1].asNumber(), 0);
    EXPECT_EQ(v[2].asNumber(), 0.0);
    EXPECT_EQ(v[3].numberText(), "123456789012345678901234567890");
    EXPECT_THROW(v[3].asInteger(), std::runtime_error);
}

TEST(Json, RejectsWhatIsNotStrictJson) {
    const char* bad[] = {
        "",
        "[1,]",
        "{\"a\":1,}",
        "[01]",
        "[1.]",
        "[.5]",
        "[+1]",
        "[1e]",
        "{'a':1}",
        "[\"\\x\"]",
        "[\"a",
        "[\"\x01\"]",
        "[\"\\ud800\"]",
        "[\"\\udc00\"]",
        "[\"\\ud800\\u0041\"]",
        "[\"\\u12\"]",
        "[tru]",
        "[NaN]",
        "[1] [2]",
        "{\"a\":1,\"a\":2}",
        "{\"a\" 1}",
        "[\"\xC3\"]",
        "[\"\xC0\xAF\"]",
        "[\"\xED\xA0\x80\"]",
        "/*c*/[]",
    };
    for (const char* text : bad) {
        EXPECT_THROW(ParseJson(text), std::runtime_error) << text;
    }
}

TEST(Json, ErrorsNameLineAndColumn) {
    try {
        ParseJson("{\n  \"a\": [1,\n   ]\n}");
        FAIL() << "accepted a trailing comma";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("line 3, column 4"), std::string::npos) << e.what();
    }
}

TEST(Json, DeepNestingIsAnErrorNotACrash) {
    std::string deep(100000, '[');
    EXPECT_THROW(ParseJson(deep), std::runtime_error);
}
