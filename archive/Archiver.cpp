#include "archive/Archiver.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <utility>

#include "archive/ArchiveBuilder.h"
#include "archive/Failures.h"
#include "sysutil/PathRules.h"

namespace archiver {
namespace {

constexpr int kVersionTimes100 = 100;

std::string stamp(const std::optional<std::int64_t>& mtime) {
    if (!mtime) return "-------------------";
    const auto t = static_cast<std::time_t>(*mtime);
    std::tm tm{};
#if defined(_WIN32)
    const bool ok = localtime_s(&tm, &t) == 0;
#else
    const bool ok = localtime_r(&t, &tm) != nullptr;
#endif
    if (!ok) return "-------------------";
    char out[64];
    std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return out;
}

constexpr const char* kListingHeadings = "        SIZE       PACKED   RATIO  METHOD  CRC   STAMP                NAME\n";

std::string listingLine(const ListedEntry& e) {
    char line[160];
    char ratio[16] = "";
    if (!e.isFolder && e.size != 0)
        std::snprintf(ratio, sizeof ratio, "%.1f%%",
                      100.0 * static_cast<double>(e.packedSize) / static_cast<double>(e.size));
    char crc[8] = "";
    if (!e.isFolder) std::snprintf(crc, sizeof crc, "%04X", e.crc);
    std::snprintf(line, sizeof line, "%12llu %12llu %7s  %-6s  %-4s  %s  ", static_cast<unsigned long long>(e.size),
                  static_cast<unsigned long long>(e.packedSize), ratio, e.method.c_str(), crc, stamp(e.mtime).c_str());
    return line + e.name + "\n";
}

}  // namespace

ArchiveResult runCommand(const ArchiveCommand& cmd, const OutputSink& output, const sysutil::ProgressReport& progress) {
    switch (cmd.command) {
        case Command::Extract:
            return extractArchive(cmd.archivePath, cmd.paths.at(0), progress);
        case Command::Add: {
            // "folder/*.*": the folder, and which of its files to take; a
            // folder named alone is taken whole.
            auto pattern = sysutil::pathFromUtf8(cmd.paths.at(0));
            if (std::error_code ec; std::filesystem::is_directory(pattern, ec)) pattern /= "*.*";
            return createArchive(cmd.archivePath, sysutil::utf8FromPath(pattern.parent_path()), cmd.method, progress,
                                 sysutil::utf8FromPath(pattern.filename()));
        }
        case Command::Test:
            return testArchive(cmd.archivePath, progress);
        case Command::List: {
            // Line by line as the headers are read; the headings wait for
            // the first entry, so a file that is no archive shows none.
            bool headed = false;
            auto r = listArchive(cmd.archivePath, [&](const ListedEntry& e) {
                if (!std::exchange(headed, true)) output(kListingHeadings);
                output(listingLine(e));
            });
            if (r.ok() && !headed) output(kListingHeadings);
            return r;
        }
    }
    return failed::unknownCommand();
}

std::optional<int> Unlha32Archiver::getVersion() {
    return kVersionTimes100;
}

ArchiveResult Unlha32Archiver::extract(const std::string& archivePath, const std::string& folder,
                                       const sysutil::ProgressReport& progress) {
    return extractArchive(archivePath, folder, progress);
}

ArchiveResult Unlha32Archiver::create(const std::string& archivePath, const std::string& folder,
                                      const lha::Method& method, const sysutil::ProgressReport& progress,
                                      const MakeRoom& makeRoom) {
    return createArchive(archivePath, folder, method, progress, "*.*", makeRoom);
}

}  // namespace archiver
