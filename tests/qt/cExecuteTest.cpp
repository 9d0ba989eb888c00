// The launcher with real programs: the split rule, waiting, and the fallback.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <cstdlib>

#include "support/TestSupport.h"
#include "ui/cExecute.h"

namespace fs = std::filesystem;
using testsupport::TempDir;
using ui::cExecute;

namespace {

void makeScript(const fs::path& p, const std::string& body) {
    testsupport::writeFile(p, "#!/bin/sh\n" + body + "\n");
    fs::permissions(p, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
}

TEST(SplitRule, TakesTheFirstPrefixThatNamesAFile) {
    TempDir d;
    makeScript(d.path() / "my tools" / "run me", "exit 0");
    const std::string prog = d.str("my tools/run me");
    EXPECT_EQ(cExecute::splitCommandLine(prog + " --option x"), std::make_pair(prog, std::string("--option x")));
    EXPECT_EQ(cExecute::splitCommandLine("sh  -c true"), std::make_pair(std::string("sh"), std::string(" -c true")));
    EXPECT_EQ(cExecute::splitCommandLine("nowhere-to-be-found arg"),
              std::make_pair(std::string("nowhere-to-be-found arg"), std::string()));
    EXPECT_EQ(cExecute::splitCommandLine(" sh x"), std::make_pair(std::string(" sh x"), std::string()));
    const std::string quoted = "\"" + prog + "\" --option";
    EXPECT_EQ(cExecute::splitCommandLine(quoted), std::make_pair(quoted, std::string()));
    // A document whose prefixes name nothing goes whole.
    testsupport::writeFile(d.path() / "read me now.txt", "x");
    EXPECT_EQ(cExecute::splitCommandLine(d.str("read me now.txt")).second, "");
}

TEST(FindInPath, FindsExistingFilesOnly) {
    EXPECT_TRUE(cExecute::FindInPath("sh"));
    EXPECT_FALSE(cExecute::FindInPath("no-such-program-fzarc"));
    EXPECT_FALSE(cExecute::FindInPath("/usr"));
    EXPECT_FALSE(cExecute::FindInPath(""));
}

TEST(ShellX, WaitReturnsAfterTheChildEnds) {
    TempDir d;
    makeScript(d.path() / "slow job", "sleep 0.3; echo done > \"$1\"");
    QElapsedTimer clock;
    clock.start();
    cExecute launcher;
    EXPECT_TRUE(launcher.ShellX(d.str("slow job") + " " + d.str("out.txt"), 6, 0, true).ok());
    EXPECT_GE(clock.elapsed(), 300);
    EXPECT_TRUE(fs::exists(d.path() / "out.txt"));
}

TEST(ShellX, WaitLastsAtLeastOnePoll) {
    QElapsedTimer clock;
    clock.start();
    cExecute launcher;
    EXPECT_TRUE(launcher.ShellX("true", 1, 0, true).ok());
    EXPECT_GE(clock.elapsed(), 100);
}

TEST(ShellX, WithoutWaitReturnsAtOnce) {
    TempDir d;
    makeScript(d.path() / "sleeper", "sleep 2");
    QElapsedTimer clock;
    clock.start();
    cExecute launcher;
    EXPECT_TRUE(launcher.ShellX(d.str("sleeper"), 1, 0, false).ok());
    EXPECT_LT(clock.elapsed(), 1500);
}

TEST(ShellX, FallbackStartsALineTheShellRefused) {
    TempDir d;
    // No prefix names a file ('sh -c' is found, but as "sh" the split works;
    // quoting the program makes the shell route refuse and the fallback run it).
    cExecute launcher;
    EXPECT_TRUE(launcher.ShellX("\"sh\" -c \"echo ok > '" + d.str("fallback.txt") + "'\"", 6, 0, true).ok());
    EXPECT_TRUE(fs::exists(d.path() / "fallback.txt"));
}

TEST(ShellX, FalseWhenNothingCanStart) {
    cExecute launcher;
    EXPECT_FALSE(launcher.ShellX("/no/such/program --flag", 1, 0, false).ok());
    EXPECT_FALSE(launcher.ShellX("", 1, 0, false).ok());
}

}  // namespace
