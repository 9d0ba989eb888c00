#pragma once
// An engine folder, a fridge and fzarc.ini pointing at them, in a temporary folder.
#include <filesystem>

#include "QtFakes.h"
#include "archive/ArchiveBuilder.h"
#include "commands/ArchiveCommands.h"
#include "sysutil/PathRules.h"

namespace fakes {

struct Workspace {
    Workspace() {
        std::filesystem::create_directories(root.path() / "engine" / "Scenario");
        std::filesystem::create_directories(root.path() / "fridge");
        sandbox.set("TRPath", engine());
        sandbox.set("ArcPath", fridge());
    }
    std::string engine() const { return root.str("engine"); }
    std::string fridge() const { return root.str("fridge"); }
    std::filesystem::path board() const { return root.path() / "engine" / "Scenario" / "FZARC_まな板"; }
    std::string boardStr(const std::string& rel = "") const {
        const std::string b = sysutil::utf8FromPath(board());
        return rel.empty() ? b : b + "/" + rel;
    }
    // A scenario folder on the board: Summary.tsm and a read-me.
    void scenario(const std::string& rel) {
        testsupport::writeFile(board() / testsupport::u8(rel) / "Summary.tsm", "title");
        testsupport::writeFile(board() / testsupport::u8(rel) / "readme.txt", "read me");
    }
    // An archive in `folder` made from a tree, by the real archiver.
    void archive(const std::filesystem::path& folder, const std::string& name,
                 const std::map<std::string, std::string>& files) {
        const auto src = root.path() / ("src-" + name);
        for (const auto& [rel, data] : files) testsupport::writeFile(src / testsupport::u8(rel), data);
        const auto r = archiver::createArchive(sysutil::utf8FromPath(folder / testsupport::u8(name)),
                                               sysutil::utf8FromPath(src), lha::kLh5, {});
        EXPECT_TRUE(r.ok()) << r.message;
    }

    SettingsSandbox sandbox;
    testsupport::TempDir root;
};

}  // namespace fakes
