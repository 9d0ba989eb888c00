#include "archive/CommandLine.h"

#include <cctype>

namespace archiver {
namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

// Splits at blanks; a double quote starts an argument that runs to the next
// double quote, so a backslash before that quote belongs to the path.
std::vector<Token> tokenize(const std::string& line) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
            continue;
        }
        Token t;
        if (line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            const std::size_t end = close == std::string::npos ? line.size() : close;
            t.text = line.substr(i + 1, end - i - 1);
            t.quoted = true;
            i = close == std::string::npos ? line.size() : close + 1;
        } else {
            std::size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
            t.text = line.substr(i, end - i);
            i = end;
        }
        out.push_back(std::move(t));
    }
    return out;
}

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

std::optional<ParsedCommand> parseCommandLine(const std::string& line, std::string& error) {
    const auto tokens = tokenize(line);
    if (tokens.empty()) {
        error = "コマンドがありません。";
        return std::nullopt;
    }
    ParsedCommand cmd;
    const std::string verb = lower(tokens[0].text);
    if (verb == "e" || verb == "x")
        cmd.command = Command::Extract;
    else if (verb == "a")
        cmd.command = Command::Add;
    else if (verb == "l")
        cmd.command = Command::List;
    else if (verb == "t")
        cmd.command = Command::Test;
    else {
        error = "不明なコマンドです: " + tokens[0].text;
        return std::nullopt;
    }
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (!t.quoted && t.text.size() > 1 && t.text[0] == '-') {
            const std::string sw = lower(t.text);
            if (sw == "-gn1" || sw == "-jyco" || sw == "-x1" || sw == "-r2") continue;
            if (sw.size() == 3 && sw[1] == 'o' && lha::methodByDigit(sw[2] - '0')) {
                cmd.method = *lha::methodByDigit(sw[2] - '0');
                continue;
            }
            error = "不明なスイッチです: " + t.text;
            return std::nullopt;
        }
        if (cmd.archivePath.empty())
            cmd.archivePath = t.text;
        else
            cmd.paths.push_back(t.text);
    }
    if (cmd.archivePath.empty()) {
        error = "書庫が指定されていません。";
        return std::nullopt;
    }
    const bool needsOnePath = cmd.command == Command::Extract || cmd.command == Command::Add;
    if (needsOnePath && cmd.paths.size() != 1) {
        error = cmd.command == Command::Extract ? "展開先のフォルダを一つ指定してください。"
                                                : "圧縮するファイルを一つ指定してください。";
        return std::nullopt;
    }
    if (!needsOnePath && !cmd.paths.empty()) {
        error = "余分な引数があります: " + cmd.paths.front();
        return std::nullopt;
    }
    return cmd;
}

}  // namespace archiver
