#pragma once
// Builds scenario trees and runs the archiver on them, by the typed calls
// the program's commands make.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "archive/ArchiveBuilder.h"
#include "archive/ArchiveReader.h"
#include "archive/Archiver.h"
#include "support/TestSupport.h"
#include "sysutil/PathRules.h"

namespace archivetest {

using Tree = std::map<std::string, std::string>;  // relative UTF-8 path ('/') -> content; "dir/" for folders

inline void makeTree(const std::filesystem::path& root, const Tree& tree) {
    for (const auto& [rel, content] : tree) {
        const auto p = root / testsupport::u8(rel);
        if (!rel.empty() && rel.back() == '/')
            std::filesystem::create_directories(p);
        else
            testsupport::writeFile(p, content);
    }
}

inline Tree readTree(const std::filesystem::path& root) {
    Tree out;
    if (!std::filesystem::exists(root)) return out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        std::string rel = sysutil::utf8FromPath(std::filesystem::relative(e.path(), root).generic_u8string());
        if (e.is_directory())
            out[rel + "/"] = "";
        else
            out[rel] = testsupport::readFile(e.path());
    }
    return out;
}

// "" when equal; otherwise the names that differ (contents are too long to print).
inline std::string treeDifference(const Tree& got, const Tree& want) {
    std::string out;
    for (const auto& [k, v] : want) {
        auto it = got.find(k);
        if (it == got.end())
            out += "missing: " + k + "\n";
        else if (it->second != v)
            out += "differs: " + k + " (" + std::to_string(it->second.size()) + " bytes)\n";
    }
    for (const auto& [k, v] : got)
        if (!want.count(k)) out += "extra: " + k + "\n";
    return out;
}

// An archive of everything below `folder`, and its extraction into `destination`.
inline archiver::ArchiveResult pack(const std::filesystem::path& archive, const std::filesystem::path& folder,
                                    const lha::Method& method = lha::kLh5) {
    return archiver::createArchive(sysutil::utf8FromPath(archive), sysutil::utf8FromPath(folder), method, {});
}
inline archiver::ArchiveResult unpack(const std::filesystem::path& archive, const std::filesystem::path& destination) {
    return archiver::extractArchive(sysutil::utf8FromPath(archive), sysutil::utf8FromPath(destination), {});
}

// What fzarc-lha L shows of the archive ("" when it fails).
inline std::string listing(const std::filesystem::path& archive) {
    std::string out;
    const auto r = archiver::runCommand({archiver::Command::List, sysutil::utf8FromPath(archive), {}, lha::kLh5},
                                        [&](std::string_view text) { out += text; });
    return r.ok() ? out : "";
}

inline std::string q(const std::filesystem::path& p) {
    return "\"" + sysutil::utf8FromPath(p) + "\"";
}

}  // namespace archivetest
