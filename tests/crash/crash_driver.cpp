// One command of FZARC's as the window runs it, headless, answering Yes to
// every question: a process the crash-point test can kill at any step.
//
//   crash_driver SETTINGS putaway SCENARIO NAME     (into the fridge of the settings)
//   crash_driver SETTINGS takeout FILE              (from the fridge)
//   crash_driver SETTINGS throwscenario SCENARIO
//   crash_driver SETTINGS throwscenario-notrash SCENARIO  (where there is no trash: deleted)
//   crash_driver SETTINGS throwarchive FILE
//   crash_driver SETTINGS drop PATH...             (files dropped onto the window)
//   crash_driver SETTINGS settings KEY=VALUE...
//   crash_driver SETTINGS exit                      (the tidying as the window closes)
//   crash_driver SETTINGS start                     (the tidying as the next start runs it)
//
// The trash is the folder "trash" beside SETTINGS, moved into by a rename.
// Every message the command shows is printed on a line of its own.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/CuttingBoard.h"
#include "archive/WorkFolders.h"
#include "commands/ArchiveCommands.h"
#include "settings/Folders.h"
#include "settings/INIAccess.h"
#include "support/FakeDialogs.h"
#include "support/FakeTrash.h"
#include "sysutil/FileAccessDOS.h"
#include "sysutil/PathRules.h"
#include "sysutil/ProgramFolder.h"

namespace {

std::string setting(const char* key) {
    return settings::readSetting(key);
}

std::string board() {
    return settings::currentFolders().cuttingBoard;
}

commands::FridgeSelection inFridge(const std::string& file) {
    return {setting(settings::kKeyArcPath), file, ""};
}

int usage() {
    std::fputs("usage: crash_driver SETTINGS putaway|takeout|throwscenario|throwarchive|drop|settings|exit|start ...\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    sysutil::setSettingsFolder(argv[1]);
    const std::string command = argv[2];
    const std::vector<std::string> args(argv + 3, argv + argc);
    fakes::FakeDialogs dialogs;
    dialogs.answers = {sysutil::MsgAnswer::Yes, sysutil::MsgAnswer::Yes};
    archiver::Unlha32Archiver archiver;
    // The trash beside the settings: in the workspace, so its checks see what went there.
    fakes::FakeTrash trash(sysutil::pathFromUtf8(argv[1]).parent_path() / "trash");
    const std::vector<std::string> fridges{setting(settings::kKeyArcPath)};

    if (command == "putaway" && args.size() == 2) {
        dialogs.inputs = {args[1]};
        commands::putAway(args[0], setting(settings::kKeyArcPath), dialogs, archiver, trash);
    } else if (command == "takeout" && args.size() == 1) {
        commands::takeOut(inFridge(args[0]), board(), dialogs, archiver, trash);
    } else if ((command == "throwscenario" || command == "throwscenario-notrash") && args.size() == 1) {
        trash.offered = command == "throwscenario";
        commands::throwAwayScenario(args[0], fridges, dialogs, trash);
    } else if (command == "throwarchive" && args.size() == 1) {
        commands::throwAwayArchive(inFridge(args[0]), dialogs, trash);
    } else if (command == "drop" && !args.empty()) {
        commands::copyIntoFridge(args, setting(settings::kKeyArcPath), dialogs, trash);
    } else if (command == "settings" && !args.empty()) {
        std::vector<std::pair<std::string, std::string>> values;
        for (const auto& a : args) values.emplace_back(a.substr(0, a.find('=')), a.substr(a.find('=') + 1));
        settings::INIAccess ini;
        ini.FileName = settings::kIniFileName;
        if (const auto failure = ini.SetINIValues(settings::kSection, values); !failure.ok())
            std::printf("設定を保存できませんでした。 %s\n", failure.detail.c_str());
    } else if (command == "exit" && args.empty()) {
        if (setting(settings::kKeyExitRMNoFileDir) == "1") archiver::removeEmptyFoldersOutsideScenarios(board());
    } else if (command == "start" && args.empty()) {
        archiver::tidyAtStart(setting(settings::kKeyArcPath), board(), sysutil::settingsFolder(), &trash);
        for (const auto& scenario : archiver::scenariosAmong(sysutil::listSubfolders(board())))
            archiver::removeLeftovers(sysutil::pathFromUtf8(scenario), &trash);
    } else {
        return usage();
    }
    // Questions are the dialogs' own business; what counts is what went wrong.
    for (const auto& asked : dialogs.asked) {
        if (asked.buttons != sysutil::MsgButtons::Ok) continue;
        std::string line = asked.text;
        for (std::size_t at; (at = line.find("\r\n")) != std::string::npos;) line.replace(at, 2, " / ");
        std::printf("%s\n", line.c_str());
    }
    return 0;
}
