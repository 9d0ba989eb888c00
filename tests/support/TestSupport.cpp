#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

#include "sysutil/PathRules.h"
#include "sysutil/TextCodec.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() {
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("fzarc-test-" + std::to_string(rd()) + std::to_string(rd()));
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests may leave read-only folders behind; give the walk a chance.
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string TempDir::str(const std::string& rel) const {
    const std::string base = sysutil::utf8FromPath(path_);
    std::string native = rel;
    for (auto& c : native)
        if (c == '/') c = sysutil::kSeparator;
    return rel.empty() ? base : base + sysutil::kSeparator + native;
}

fs::path u8(const std::string& utf8) {
    return sysutil::pathFromUtf8(utf8);
}

void writeFile(const fs::path& p, const std::string& bytes) {
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path dataFile(const std::string& name) {
    return fs::path(FZARC_TEST_DATA_DIR) / name;
}

#if defined(_WIN32)
bool haveProgram(const std::string&) {
    return false;
}
int run(const std::string&, std::string*) {
    return -1;
}
bool runningAsRoot() {
    return false;
}
AsOrdinaryUser::AsOrdinaryUser(const fs::path&) {}
AsOrdinaryUser::~AsOrdinaryUser() = default;
void makeHidden(const fs::path& p) {
    SetFileAttributesW(p.c_str(), GetFileAttributesW(p.c_str()) | FILE_ATTRIBUTE_HIDDEN);
}
std::string platformText(const std::string& utf8) {
    return sysutil::utf8ToCp932(utf8).value_or(utf8);
}
#else
bool haveProgram(const std::string& name) {
    return run("command -v " + name + " >/dev/null 2>&1") == 0;
}

int run(const std::string& command, std::string* output) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    std::array<char, 4096> buf;
    std::string out;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    const int status = pclose(p);
    if (output) *output = out;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
bool runningAsRoot() {
    return geteuid() == 0;
}

AsOrdinaryUser::AsOrdinaryUser(const fs::path& folder) {
    if (geteuid() != 0) return;
    constexpr uid_t kNobody = 65534;
    constexpr gid_t kNogroup = 65534;
    EXPECT_EQ(lchown(folder.c_str(), kNobody, kNogroup), 0);
    for (const auto& e : fs::recursive_directory_iterator(folder)) lchown(e.path().c_str(), kNobody, kNogroup);
    // The group first: once the user is no longer root it cannot be changed.
    switched_ = setegid(kNogroup) == 0 && seteuid(kNobody) == 0;
    EXPECT_TRUE(switched_) << "could not become an ordinary user";
}

AsOrdinaryUser::~AsOrdinaryUser() {
    if (!switched_) return;
    if (seteuid(0) != 0 || setegid(0) != 0) std::abort();
}
void makeHidden(const fs::path&) {}
std::string platformText(const std::string& utf8) {
    return utf8;
}
#endif

bool tryDirectorySymlink(const fs::path& target, const fs::path& link) {
    std::error_code ec;
    fs::create_directory_symlink(target, link, ec);
    return !ec;
}

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

std::string sjisText(std::size_t n) {
    const std::string line =
        "\x95\x5c\x8e\xa6\x83\x5c\x81\x5b\x83\x58\x82\xcc\x83\x65\x83\x58\x83\x67\x82\xc5\x82\xb7\x81\x42\r\n";
    std::string s;
    unsigned k = 0;
    while (s.size() < n) s += line + std::to_string(k++ % 97) + "\r\n";
    s.resize(n);
    return s;
}

}  // namespace testsupport
