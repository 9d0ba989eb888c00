#pragma once
// A private-profile (INI) file as Windows keeps it, read and edited in place:
// every line we do not change keeps its bytes, so a file that users edit by
// hand, and that Japanese Windows wrote in CP932, survives our writes.
#include <optional>
#include <string>
#include <vector>

namespace settings {

enum class ProfileEncoding { Utf8, Cp932 };

class ProfileFile {
public:
    // An empty file in the platform's encoding for new files.
    ProfileFile();

    // Parses raw file bytes. A byte-order mark, or a file valid as UTF-8,
    // says UTF-8; otherwise the lines decide by majority, and a value whose
    // bytes are valid UTF-8 reads as UTF-8 whatever the rest of the file is.
    static ProfileFile fromBytes(std::string bytes);

    // The value under section/key (case-insensitive names, blanks around the
    // value and one pair of surrounding quotes removed); nullopt when the
    // section or key is missing or the value's bytes do not decode.
    std::optional<std::string> value(const std::string& section, const std::string& key) const;

    // Replaces the value in place, or adds the key at the end of its section,
    // or the section at the end of the file. False when the value cannot be
    // stored (a line break in it, or a character the file's encoding lacks).
    bool setValue(const std::string& section, const std::string& key, const std::string& value);

    std::string bytes() const;
    ProfileEncoding encoding() const { return encoding_; }

private:
    struct Line {
        std::string raw;     // the line's bytes without its line end
        std::string ending;  // "\r\n", "\n" or "" (last line without one)
    };
    struct Located {
        std::optional<std::size_t> section;  // index of the section header line
        std::optional<std::size_t> key;      // index of the key line
        std::size_t insertAt = 0;            // where a new key of the section goes
    };

    Located locate(const std::string& section, const std::string& key) const;
    std::string decodeLine(const std::string& raw) const;
    std::optional<std::string> encode(const std::string& utf8) const;
    std::string newLineEnding() const;
    ProfileEncoding majorityEncoding() const;

    std::vector<Line> lines_;
    ProfileEncoding encoding_;
    bool byteOrderMark_ = false;  // kept as the file had it
};

}  // namespace settings
