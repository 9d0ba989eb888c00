#pragma once
// Writes archives with the codec alone and reads them back through libarchive,
// failing on anything short of ARCHIVE_OK: a warning there is a CRC error.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    struct archive* a = archive_read_new();
    archive_read_support_format_lha(a);
    archive_read_set_options(a, "lha:hdrcharset=CP932");
    EXPECT_EQ(archive_read_open_filename(a, arc.c_str(), 16384), ARCHIVE_OK) << archive_error_string(a);
    struct archive_entry* e;
    int r;
    while ((r = archive_read_next_header(a, &e)) == ARCHIVE_OK) {
        ReadEntry re;
        const char* n = archive_entry_pathname_utf8(e);
        re.name = n ? n : "";
        re.isFolder = archive_entry_filetype(e) == AE_IFDIR;
        const void* buf;
        size_t size;
        la_int64_t off;
        int d;
        while ((d = archive_read_data_block(a, &buf, &size, &off)) == ARCHIVE_OK)
            re.data.append(static_cast<const char*>(buf), size);
        EXPECT_EQ(d, ARCHIVE_EOF) << re.name << ": " << (archive_error_string(a) ? archive_error_string(a) : "");
        out.push_back(std::move(re));
    }
    EXPECT_EQ(r, ARCHIVE_EOF) << (archive_error_string(a) ? archive_error_string(a) : "");
    archive_read_free(a);
    return out;
}

}  // namespace lhatest
