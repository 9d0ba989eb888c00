#include "archive/Unlha32api.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

#include "archive/ArchiveBuilder.h"
#include "archive/ArchiveReader.h"
#include "archive/CommandLine.h"
#include "sysutil/PathRules.h"

namespace archiver {
namespace {

constexpr int kVersionTimes100 = 100;

std::string formatListing(const std::vector<ListedEntry>& entries) {
    std::string out;
    char line[64];
    for (const auto& e : entries) {
        const std::time_t t = static_cast<std::time_t>(e.mtime);
        std::tm tm{};
#if defined(_WIN32)
        localtime_s(&tm, &t);
#else
        localtime_r(&t, &tm);
#endif
        std::snprintf(line, sizeof line, "%12llu  %04d-%02d-%02d %02d:%02d:%02d  ",
                      static_cast<unsigned long long>(e.size), tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                      tm.tm_min, tm.tm_sec);
        out += line + e.name + "\n";
    }
    return out;
}

}  // namespace

std::optional<int> UnlhaGetVersion() {
    return kVersionTimes100;
}

bool UnlhaCheckArchive(const std::string& archivePath, int mode) {
    if (mode != 0) return false;
    return checkArchive(archivePath, {}).ok();
}

ArchiveResult Unlha(const std::string& commandLine, std::string& output, const sysutil::ProgressReport& progress) {
    std::string error;
    const auto cmd = parseCommandLine(commandLine, error);
    if (!cmd) return ArchiveResult::failure(ArchiveError::BadCommand, error);
    switch (cmd->command) {
        case Command::Extract:
            return extractArchive(cmd->archivePath, cmd->paths.front(), progress);
        case Command::Add: {
            // "folder/*.*": the folder, and which of its files to take.
            const auto pattern = sysutil::pathFromUtf8(cmd->paths.front());
            return createArchive(cmd->archivePath, sysutil::utf8FromPath(pattern.parent_path()), cmd->method, progress,
                                 sysutil::utf8FromPath(pattern.filename()));
        }
        case Command::Test:
            return testArchive(cmd->archivePath, progress);
        case Command::List: {
            std::vector<ListedEntry> entries;
            auto r = listArchive(cmd->archivePath, entries);
            if (r.ok()) output = formatListing(entries);
            return r;
        }
    }
    return ArchiveResult::failure(ArchiveError::BadCommand, "不明なコマンドです。");
}

std::optional<int> Unlha32Archiver::getVersion() {
    return UnlhaGetVersion();
}

ArchiveResult Unlha32Archiver::check(const std::string& archivePath, const sysutil::ProgressReport& progress) {
    return checkArchive(archivePath, progress);
}

ArchiveResult Unlha32Archiver::extract(const std::string& archivePath, const std::string& folder,
                                       const sysutil::ProgressReport& progress) {
    return extractArchive(archivePath, folder, progress);
}

ArchiveResult Unlha32Archiver::create(const std::string& archivePath, const std::string& folder,
                                      const lha::Method& method, const sysutil::ProgressReport& progress) {
    return createArchive(archivePath, folder, method, progress);
}

}  // namespace archiver
