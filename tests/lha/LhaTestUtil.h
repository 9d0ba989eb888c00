#pragma once
// Writes archives with the codec alone and reads them back through its reader,
// which checks every size and CRC.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/lha/lha_reader.h"
#include "archive/lha/lha_writer.h"
#include "lha/PrintMethod.h"
#include "support/TestSupport.h"

namespace lhatest {

struct ReadEntry {
    std::string name;
    std::string data;
    bool isFolder = false;
};

inline std::filesystem::path writeSingleFile(const testsupport::TempDir& dir, const std::string& data,
                                             const lha::Method& method, const std::string& name = "data.bin",
                                             std::string* storedMethod = nullptr) {
    const auto src = dir.path() / "source.bin";
    testsupport::writeFile(src, data);
    const auto arc = dir.path() / ("out" + std::string(method.id.substr(1, 3)) + ".lzh");
    std::filesystem::remove(arc);
    lha::OutputFile out;
    EXPECT_TRUE(out.createNew(arc));
    lha::LhaWriter w(out);
    lha::InputFile in;
    EXPECT_TRUE(in.open(src));
    lha::EntryHeader h;
    h.name = name;
    h.mtime = 1700000000;
    EXPECT_TRUE(w.addFile(h, in, data.size(), method, {}));
    EXPECT_TRUE(w.finish());
    EXPECT_TRUE(out.close());
    if (storedMethod) {
        const std::string bytes = testsupport::readFile(arc);
        *storedMethod = bytes.substr(2, 5);
    }
    return arc;
}

inline std::vector<ReadEntry> readBack(const std::filesystem::path& arc) {
    std::vector<ReadEntry> out;
    lha::FileSource source;
    EXPECT_TRUE(source.open(arc)) << arc;
    lha::Reader reader(source);
    for (std::optional<lha::Entry> e;;) {
        const auto s = reader.next(e);
        EXPECT_TRUE(s) << s.detail;
        if (!s || !e) break;
        ReadEntry re;
        re.name = e->name;
        re.isFolder = e->isDirectory();
        const auto d = lha::decodeEntry(source, *e, [&](const std::uint8_t* p, std::size_t n) {
            re.data.append(reinterpret_cast<const char*>(p), n);
            return true;
        });
        EXPECT_TRUE(d) << re.name << ": " << d.detail;
        out.push_back(std::move(re));
    }
    return out;
}

}  // namespace lhatest
