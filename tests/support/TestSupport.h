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
    // The folder as UTF-8 text, with `rel` appended when given.
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

// Deterministic pseudo-random bytes.
std::string randomBytes(std::size_t n, unsigned seed);

}  // namespace testsupport
