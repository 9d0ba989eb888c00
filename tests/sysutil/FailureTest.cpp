// The list every message cuts to five, and the full disk told from the rest.
#include <gtest/gtest.h>

#include <cerrno>

#include "sysutil/Failure.h"

namespace {

struct ListCase {
    const char* label;
    std::size_t items, unnamed;
    std::string tail;  // what follows the last line shown
};
class FirstFive : public ::testing::TestWithParam<ListCase> {};
TEST_P(FirstFive, NamesFiveThenCountsTheRest) {
    std::vector<std::string> items;
    for (std::size_t i = 0; i < GetParam().items; ++i) items.push_back("f" + std::to_string(i));
    std::string want;
    for (std::size_t i = 0; i < items.size() && i < 5; ++i) want += "\r\nf" + std::to_string(i);
    EXPECT_EQ(sysutil::firstFive(items, GetParam().unnamed), want + GetParam().tail);
}
INSTANTIATE_TEST_SUITE_P(Lists, FirstFive,
                         ::testing::Values(ListCase{"none", 0, 0, ""}, ListCase{"five", 5, 0, ""},
                                           ListCase{"six", 6, 0, "\r\nほか 1 件"},
                                           ListCase{"seven", 7, 0, "\r\nほか 2 件"},
                                           // a list cut short by who made it: the rest still counted
                                           ListCase{"five_named_of_nine", 5, 4, "\r\nほか 4 件"},
                                           ListCase{"six_named_of_nine", 6, 3, "\r\nほか 4 件"}),
                         [](const auto& p) { return std::string(p.param.label); });

TEST(Failure, AFullDiskOrQuotaIsToldApartFromOtherWriteErrors) {
    using sysutil::FailureKind;
    EXPECT_EQ(sysutil::Failure::writing("x", std::make_error_code(std::errc::no_space_on_device)).kind,
              FailureKind::NoSpace);
#if defined(EDQUOT)
    EXPECT_EQ(sysutil::Failure::writing("x", std::error_code(EDQUOT, std::generic_category())).kind,
              FailureKind::NoSpace);
#endif
#if defined(_WIN32)
    for (const int code : {112, 39})  // ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL
        EXPECT_TRUE(sysutil::isDiskFull(std::error_code(code, std::system_category()))) << code;
#else
    EXPECT_TRUE(sysutil::isDiskFull(std::error_code(ENOSPC, std::system_category())));
#endif
    const auto denied =
        sysutil::Failure::writing("「a」に書き込めません。", std::make_error_code(std::errc::permission_denied));
    EXPECT_EQ(denied.kind, FailureKind::WriteFailed);
    EXPECT_EQ(denied.code, std::errc::permission_denied);
    EXPECT_EQ(denied.detail.rfind("「a」に書き込めません。\r\n", 0), 0u) << denied.detail;
}

}  // namespace
