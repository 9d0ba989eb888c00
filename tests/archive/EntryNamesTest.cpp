// How stored names become paths: the encoding an archive's origin implies,
// the separators of each header form, and the components that are refused.
#include <gtest/gtest.h>

#include "archive/EntryNames.h"

namespace {

using Components = std::vector<std::string>;

struct NameCase {
    const char* label;
    lha::Entry entry;
    Components want;
    bool nameless = false;
};

lha::Entry entry(unsigned level, char osId, std::string name, std::string folder = "") {
    lha::Entry e;
    e.level = level;
    e.osId = osId;
    e.name = std::move(name);
    e.folder = std::move(folder);
    return e;
}

lha::Entry with(lha::Entry e, std::optional<std::uint32_t> codePage, std::optional<std::u16string> nameUtf16 = {}) {
    e.codePage = codePage;
    e.nameUtf16 = std::move(nameUtf16);
    return e;
}

class StoredNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(StoredNames, DecodeAndSplit) {
    const auto p = archiver::storedPath(GetParam().entry);
    EXPECT_EQ(p.components, GetParam().want);
    EXPECT_EQ(p.nameless, GetParam().nameless);
}

INSTANTIATE_TEST_SUITE_P(Origins, StoredNames,
                         ::testing::Values(
                             // 表示.txt: the second byte of 表 is 0x5C, which is no separator.
                             NameCase{"windows_cp932_trail_5c", entry(2, 'M', "\x95\x5c\x8e\xa6.txt"), {"表示.txt"}},
                             NameCase{"msdos_level0_path", entry(0, 0, "\x95\x5c\\\x83\x5c.txt"), {"表", "ソ.txt"}},
                             NameCase{"msdos_level0_but_utf8", entry(0, 0, "日本語/表示.txt"), {"日本語", "表示.txt"}},
                             NameCase{
                                 "unix_utf8", entry(2, 'U', "表示.txt", "フォルダ\xFF"), {"フォルダ", "", "表示.txt"}},
                             NameCase{"unix_but_cp932", entry(2, 'U', "\x95\x5c\x8e\xa6.txt"), {"表示.txt"}},
                             NameCase{"code_page_65001", with(entry(2, 'M', "\xE3\x80\x9C.txt"), 65001), {"〜.txt"}},
                             // A code page that lies about its bytes: they are CP932 all the same.
                             NameCase{"code_page_65001_lies", with(entry(2, 'U', "\x95\x5c.txt"), 65001), {"表.txt"}},
                             NameCase{"utf16_wins", with(entry(2, 'M', "\x81\x60.txt"), 932, u"〜.txt"), {"〜.txt"}},
                             NameCase{"folder_ext_separators",
                                      entry(2, 'M', "c",
                                            "a\xFF"
                                            "b\xFF"),
                                      {"a", "b", "", "c"}},
                             NameCase{"leading_separator", entry(0, 0, "\\top\\x.txt"), {"", "top", "x.txt"}},
                             NameCase{"folder_entry", entry(2, 'U', "", "subdir\xFF"), {"subdir", "", ""}, true},
                             NameCase{"level0_folder_form", entry(0, 0, "subdir\\"), {"subdir", ""}, true},
                             // MS-DOS's "NAME." has no extension; only that dot goes.
                             NameCase{"msdos_name_without_extension", entry(0, 0, "GPL-2."), {"GPL-2"}},
                             NameCase{"msdos_dots_stay", entry(0, 0, "a.b.\\..."), {"a.b.", "..."}},
                             NameCase{"unix_dot_stays", entry(2, 'U', "GPL-2."), {"GPL-2."}}),
                         [](const auto& p) { return std::string(p.param.label); });

TEST(SafeComponents, DropEmptyPartsAndRefuseEscapes) {
    using archiver::safeComponents;
    EXPECT_EQ(safeComponents({"", "a", ".", "b", ""}), (Components{"a", "b"}));
    EXPECT_EQ(safeComponents({"表", "ソ.txt"}), (Components{"表", "ソ.txt"}));
    for (const Components& bad :
         {Components{".."}, Components{"a", "..", "b"}, Components{"C:x"}, Components{"c:"}, Components{"a", "nul"},
          Components{"com1.txt"}, Components{"lpt9"}, Components{"x\tb"}, Components{"dots..."},
          Components{"trailing "}, Components{"COM\u00b9.txt"}, Components{"lpt\u00b3"}, Components{"a<b"},
          Components{"a>b"}, Components{"q\"uote"}, Components{"p|ipe"}, Components{"what?"}, Components{"st*r"},
          Components{"a/.."}, Components{"a\\b"}})
        EXPECT_FALSE(safeComponents(bad)) << bad.back();
}

class PrintableText : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(PrintableText, NothingReachesATerminalRaw) {
    EXPECT_EQ(archiver::printableText(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PrintableText,
    ::testing::Values(std::pair{"b\x1b[2Jc\n.txt", "b\\x1B[2Jc\\x0A.txt"}, std::pair{"\x7f", "\\x7F"},
                      std::pair{"a\u009b2J\u0085", "a\\u009B2J\\u0085"},  // C1 controls: 0x9B is CSI
                      std::pair{"\x9bJ\xC2", "\\x9BJ\\xC2"},              // bytes that are no UTF-8
                      std::pair{"\xED\xA0\x80", "\\xED\\xA0\\x80"},       // a surrogate spelt in UTF-8
                      std::pair{"txt\u202e.exe", "txt\\u202E.exe"},
                      std::pair{"表示 〜 \U0001F600.txt", "表示 〜 \U0001F600.txt"}),
    [](const auto& p) { return "case" + std::to_string(p.index); });

TEST(PrintableName, ComponentsJoinedBySlash) {
    EXPECT_EQ(archiver::printableName({"", "a", "b\x1b[2Jc\n.txt"}), "a/b\\x1B[2Jc\\x0A.txt");
}

}  // namespace
