#pragma once
// Small helpers shared by the tests: a private temporary folder per test, and
// whole-file reads and writes.
#include <filesystem>
#include <string>

namespace testsupport {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as UTF-8 text, with `rel` ('/'-separated) appended in the
    // platform's separators when given.
    std::string str(const std::string& rel = "") const;

private:
    std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& p, const std::string& bytes);
std::string readFile(const std::filesystem::path& p);
std::filesystem::path u8(const std::string& utf8);

// The path to a fixture in tests/data.
std::filesystem::path dataFile(const std::string& name);

// Whether a program is on PATH (outside witnesses such as lhasa or 7z).
bool haveProgram(const std::string& name);
// Runs a shell command; returns its exit status and fills `output` with stdout.
int run(const std::string& command, std::string* output = nullptr);

// Whether the tests run as root (who reads and deletes past permissions).
bool runningAsRoot();

// Runs the rest of a test as an ordinary user where it runs as root, who
// reads, writes and deletes past every permission; `folder` is handed to
// that user first. An ordinary user already stays who they are.
class AsOrdinaryUser {
public:
    explicit AsOrdinaryUser(const std::filesystem::path& folder);
    ~AsOrdinaryUser();
    AsOrdinaryUser(const AsOrdinaryUser&) = delete;
    AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

private:
    bool switched_ = false;
};
// Gives an entry the platform's hidden mark: the hidden attribute on Windows;
// elsewhere the name must already begin with '.'.
void makeHidden(const std::filesystem::path& p);
// A folder link; false where the platform will not make one (Windows without the privilege).
bool tryDirectorySymlink(const std::filesystem::path& target, const std::filesystem::path& link);
// UTF-8 text as a new settings or text file holds it on this platform (CP932 on Windows).
std::string platformText(const std::string& utf8);

// Deterministic pseudo-random bytes.
std::string randomBytes(std::size_t n, unsigned seed);
// n bytes of Shift-JIS scenario-like text with CR LF line ends; 「表示」 and
// 「ソース」 carry 0x5C trail bytes.
std::string sjisText(std::size_t n);

}  // namespace testsupport
