// CP932 where it differs from plain Shift-JIS, and the text sniffing.
#include <gtest/gtest.h>

#include "sysutil/TextCodec.h"

namespace {

struct Cp932Case {
    const char* label;
    std::string cp932;
    std::string utf8;
};

class Cp932 : public ::testing::TestWithParam<Cp932Case> {};

TEST_P(Cp932, ConvertsBothWaysExactly) {
    const auto& c = GetParam();
    EXPECT_EQ(sysutil::cp932ToUtf8(c.cp932).value_or("<fail>"), c.utf8);
    EXPECT_EQ(sysutil::utf8ToCp932(c.utf8).value_or("<fail>"), c.cp932);
}

INSTANTIATE_TEST_SUITE_P(
    Characters, Cp932,
    ::testing::Values(Cp932Case{"hyou_5c_trail", "\x95\x5c", "表"}, Cp932Case{"so_5c_trail", "\x83\x5c", "ソ"},
                      Cp932Case{"wave_dash", "\x81\x60", "～"},  // U+FF5E as Windows maps it
                      Cp932Case{"nec_circled_one", "\x87\x40", "①"}, Cp932Case{"nec_roman_one", "\x87\x54", "Ⅰ"},
                      Cp932Case{"halfwidth_kana", "\xb1\xb2\xb3", "ｱｲｳ"}, Cp932Case{"backslash", "\\", "\\"},
                      Cp932Case{"tilde", "~", "~"}, Cp932Case{"minus_sign", "\x81\x7c", "－"},
                      Cp932Case{"mixed", "Castle\x95\x5c\x8e\xa6.txt", "Castle表示.txt"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(Cp932, RejectsWhatItCannotHold) {
    EXPECT_FALSE(sysutil::utf8ToCp932("emoji 😀").has_value());
    EXPECT_FALSE(sysutil::cp932ToUtf8("\x81").has_value());      // a lead byte alone
    EXPECT_FALSE(sysutil::utf8ToCp932("\xff\xfe").has_value());  // not UTF-8 at all
}

TEST(Cp932, LossyDecodingKeepsTheRest) {
    const std::string s = sysutil::cp932ToUtf8Lossy(
        "ab\x81"
        "cd\x95\x5c");
    EXPECT_NE(s.find("ab"), std::string::npos);
    EXPECT_NE(s.find("表"), std::string::npos);
}

// Long text converts through a buffer of 64 KiB: a bad byte or a lone lead
// byte where the output fills it is replaced, and nothing around it is lost.
TEST(Cp932, LongTextKeepsEveryCharacterAcrossTheConversionBuffer) {
    for (std::size_t kana = 21840; kana < 21850; ++kana) {  // ｱ is one byte in, three out
        const std::string in(kana, '\xb1');
        std::string utf8;
        for (std::size_t i = 0; i < kana; ++i) utf8 += "ｱ";
        EXPECT_EQ(sysutil::cp932ToUtf8(in + "\x95\x5c").value_or("<fail>"), utf8 + "表") << kana;
        EXPECT_FALSE(sysutil::cp932ToUtf8(in + "\x81").has_value()) << kana;
#if !defined(_WIN32)  // Windows replaces what it cannot decode by its own rules
        EXPECT_EQ(sysutil::cp932ToUtf8Lossy(in + "\x80\x95\x5c"), utf8 + "\xEF\xBF\xBD表") << kana;
        EXPECT_EQ(sysutil::cp932ToUtf8Lossy(in + "\x81"), utf8 + "\xEF\xBF\xBD") << kana;
#endif
    }
}

TEST(DecodeText, PicksTheEncoding) {
    EXPECT_EQ(sysutil::decodeText("\xEF\xBB\xBFhello 表"), "hello 表");
    EXPECT_EQ(sysutil::decodeText("plain ソ"), "plain ソ");
    EXPECT_EQ(sysutil::decodeText("\x83\x5c\x81\x5b\x83\x58"), "ソース");
    EXPECT_EQ(sysutil::decodeText(std::string("\xFF\xFE\x68\x00\x68\x88", 6)), "h表");
    EXPECT_EQ(sysutil::decodeText(std::string("\xFE\xFF\x00\x68\x88\x68", 6)), "h表");
    EXPECT_EQ(sysutil::decodeText(std::string("\xFF\xFE\x68\x00\x88", 5)), "h\xEF\xBF\xBD");
    EXPECT_EQ(sysutil::decodeText("\xFF\xFE"), "");
}

TEST(Utf8, ValidityIsStrict) {
    EXPECT_TRUE(sysutil::isValidUtf8("ascii"));
    EXPECT_TRUE(sysutil::isValidUtf8("表示"));
    EXPECT_FALSE(sysutil::isValidUtf8("\xC0\xAF"));      // overlong
    EXPECT_FALSE(sysutil::isValidUtf8("\xED\xA0\x80"));  // surrogate
    EXPECT_FALSE(sysutil::isValidUtf8("\xE8\xA1"));      // cut short
    EXPECT_EQ(sysutil::utf8ToUtf16("a😀"), std::u16string(u"a😀"));
}

}  // namespace
