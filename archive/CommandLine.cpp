#include "archive/CommandLine.h"

#include <cctype>

namespace archiver {
namespace {

struct Token {
    std::string text;
    bool maySwitch = true;
};

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

ParsedCommand refused(std::string message) {
    return {ArchiveResult::failure(ArchiveError::BadCommand, std::move(message)), {}};
}

ParsedCommand fromTokens(const std::vector<Token>& tokens) {
    if (tokens.empty()) return refused("コマンドがありません。");
    ArchiveCommand cmd;
    const std::string verb = lower(tokens[0].text);
    if (verb == "e" || verb == "x")
        cmd.command = Command::Extract;
    else if (verb == "a")
        cmd.command = Command::Add;
    else if (verb == "l")
        cmd.command = Command::List;
    else if (verb == "t")
        cmd.command = Command::Test;
    else
        return refused("不明なコマンドです: " + tokens[0].text);

    std::vector<std::string> paths;
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.maySwitch && t.text.size() > 1 && t.text[0] == '-') {
            const std::string sw = lower(t.text);
            // What the program's own command lines say, and always happens:
            // paths kept, folders searched, no questions.
            if (sw == "-gn1" || sw == "-jyco" || sw == "-x1" || sw == "-r2") continue;
            if (sw.size() == 3 && sw[1] == 'o' && lha::methodByDigit(sw[2] - '0')) {
                cmd.method = *lha::methodByDigit(sw[2] - '0');
                continue;
            }
            return refused("不明なスイッチです: " + t.text);
        }
        paths.push_back(t.text);
    }
    if (paths.empty()) return refused("書庫が指定されていません。");
    cmd.archivePath = paths.front();
    cmd.paths.assign(paths.begin() + 1, paths.end());
    const bool needsOnePath = cmd.command == Command::Extract || cmd.command == Command::Add;
    if (needsOnePath && cmd.paths.size() != 1)
        return refused(cmd.command == Command::Extract ? "展開先のフォルダを一つ指定してください。"
                                                       : "圧縮するファイルを一つ指定してください。");
    if (!needsOnePath && !cmd.paths.empty()) return refused("余分な引数があります: " + cmd.paths.front());
    return {ArchiveResult::success(), std::move(cmd)};
}

}  // namespace

ParsedCommand parseArguments(const std::vector<std::string>& args) {
    std::vector<Token> tokens;
    bool switches = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (switches && i > 0 && args[i] == "--") {
            switches = false;
            continue;
        }
        tokens.push_back({args[i], switches && i > 0});
    }
    return fromTokens(tokens);
}

}  // namespace archiver
