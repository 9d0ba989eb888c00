#include "archive/Failures.h"

#include "archive/EntryNames.h"
#include "archive/lha/lha_writer.h"
#include "archive/lha/read_status.h"
#include "sysutil/ErrorText.h"
#include "sysutil/Failure.h"
#include "sysutil/PathRules.h"

namespace archiver::failed {
namespace {

using E = ArchiveError;

ArchiveResult fail(E kind, std::string text, const std::error_code& ec = {}) {
    return ArchiveResult::failure(kind, std::move(text), ec);
}

// A write that failed: NoSpace when the disk is full, so that callers can
// say so; the system's own words follow on a line of their own.
ArchiveResult diskFailure(std::string text, const std::error_code& ec) {
    return fail(sysutil::isDiskFull(ec) ? E::NoSpace : E::WriteFailed,
                std::move(text) + "\r\n" + sysutil::describeError(ec), ec);
}

std::string utf8(const std::filesystem::path& p) {
    return sysutil::utf8FromPath(p);
}

}  // namespace

ArchiveResult cancelled() {
    return fail(E::Cancelled, "中止しました。");
}

ArchiveResult unknownCommand() {
    return fail(E::BadCommand, "不明なコマンドです。");
}

ArchiveResult reading(const lha::ReadStatus& s, const std::string& name) {
    using lha::ReadError;
    switch (s.error) {
        case ReadError::None:
            break;
        case ReadError::NotArchive:
            return fail(E::NotArchive, "LZH 書庫ではありません。");
        case ReadError::BadHeader:
            return fail(E::Corrupt, "書庫が壊れています（ヘッダーが正しくありません）。");
        case ReadError::Truncated:
            return fail(E::Corrupt, "書庫が途中で切れています。");
        case ReadError::UnsupportedMethod:
            return fail(E::UnsupportedMethod, "展開できない圧縮形式です（" + printableText(s.detail) + "）: " + name);
        case ReadError::BadData:
            return fail(E::Corrupt, "データが壊れています: " + name);
        case ReadError::CrcMismatch:
            return fail(E::Corrupt, "データが壊れています（CRCが一致しません）: " + name);
        case ReadError::ReadFailed:
            return fail(E::ReadFailed, "書庫を読み込めません。");
        case ReadError::Stopped:
            return cancelled();
    }
    return ArchiveResult::success();
}

ArchiveResult writing(const lha::WriteStatus& s, const std::string& name) {
    switch (s.error) {
        case lha::WriteError::None:
            return ArchiveResult::success();
        case lha::WriteError::ReadFailed:
            return fail(E::ReadFailed, "ファイルを読み込めません: " + name);
        case lha::WriteError::WriteFailed:
            if (s.cause) return diskFailure("書庫を書き込めません。", s.cause);
            return fail(E::WriteFailed, "書庫を書き込めません（ディスクの空き容量を確認してください）。");
        case lha::WriteError::TooLarge:
            return fail(E::WriteFailed, "LZH 書庫に入らない大きさです: " + name);
        case lha::WriteError::Cancelled:
            return cancelled();
    }
    return fail(E::WriteFailed, s.detail);
}

ArchiveResult linkEntry(const std::string& shown) {
    return fail(E::UnsafeEntry, "リンクは展開できません: " + shown);
}

ArchiveResult unsafeName(const std::string& shown) {
    return fail(E::UnsafeEntry, "安全に展開できない名前があります: " + shown);
}

ArchiveResult namelessFile() {
    return fail(E::Corrupt, "名前のないファイルがあります。");
}

ArchiveResult namesClash(const std::string& shown) {
    return fail(E::UnsafeEntry, "同じ名前になる項目が重なっています: " + shown);
}

ArchiveResult impossibleSizes() {
    return fail(E::Corrupt, "書庫が壊れています（サイズが正しくありません）。");
}

ArchiveResult refusedEntries(const std::vector<Refusal>& refused) {
    std::vector<std::string> lines;
    for (const auto& r : refused) lines.push_back(r.name + ": " + r.why);
    return fail(E::UnsafeEntry, "次のものは、取り出すときに元どおりに戻せません。" + sysutil::firstFive(lines));
}

ArchiveResult cannotOpenArchive(const std::string& path) {
    return fail(E::ReadFailed, "書庫を開けません: " + path);
}

ArchiveResult cannotOpenFile(const std::string& name) {
    return fail(E::ReadFailed, "ファイルを開けません: " + name);
}

ArchiveResult unreadable(const std::filesystem::path& path, const std::error_code& ec) {
    return fail(E::ReadFailed, "「" + utf8(path) + "」を読み込めません。\r\n" + sysutil::describeError(ec), ec);
}

ArchiveResult notARegularFile(const std::string& path) {
    return fail(E::ReadFailed, "「" + path + "」はふつうのファイルではありません。");
}

ArchiveResult noSourceFolder(const std::filesystem::path& folder) {
    return fail(E::ReadFailed, "圧縮するフォルダがありません: " + utf8(folder));
}

ArchiveResult noDestinationFolder(const std::filesystem::path& folder) {
    return fail(E::WriteFailed, "展開先のフォルダがありません: " + utf8(folder));
}

ArchiveResult destinationNotAFolder(const std::string& shown) {
    return fail(E::WriteFailed, "展開先がフォルダではありません: " + shown);
}

ArchiveResult destinationIsLink(const std::filesystem::path& folder) {
    return fail(E::WriteFailed, "展開先はリンクです。リンク先に書き込まないよう、展開しません: " + utf8(folder));
}

ArchiveResult fileMeetsFolder(const std::string& shown) {
    return fail(E::WriteFailed, "同じ名前のファイルとフォルダがぶつかります: " + shown);
}

ArchiveResult destinationMadeMeanwhile(const std::string& shown) {
    return fail(E::WriteFailed, "取り出している間に「" + shown + "」が作られました。もう一度取り出してください。");
}

ArchiveResult changedMeanwhile(const std::string& shown) {
    return fail(E::WriteFailed, "確認の後で「" + shown +
                                    "」が変わりました。確認していないファイルを置き換えないよう、取り出しませんでした。"
                                    "\r\nもう一度取り出してください。");
}

ArchiveResult anotherMergeUnderWay(const std::string& shown) {
    return fail(E::WriteFailed, "同じフォルダに、ほかの取り出しが行われています: " + shown +
                                    "\r\n終わってから、もう一度取り出してください。");
}

ArchiveResult workFolderGone(const std::string& shown) {
    return fail(E::WriteFailed, "取り出している間に「" + shown +
                                    "」が移されたか、作業フォルダが消されました。もう一度取り出してください。");
}

ArchiveResult destinationTwins(const std::string& shown, const std::string& twin) {
    return fail(E::WriteFailed, "展開先に、Windowsでは同じ名前になるものが二つあります: " + shown + "\r\n" + twin);
}

ArchiveResult alreadyExists(const std::string& path) {
    return fail(E::AlreadyExists, "同じ名前のファイルが既にあります: " + path);
}

ArchiveResult noSpace() {
    return fail(E::NoSpace, "ディスクの空き容量が足りません。");
}

ArchiveResult cannotWrite(const std::string& name, const std::error_code& ec) {
    return diskFailure("書き込めません: " + name, ec);
}

ArchiveResult cannotPlace(const std::string& shown, const std::error_code& ec) {
    return diskFailure("ファイルを置けません: " + shown, ec);
}

ArchiveResult cannotTrashReplaced(const std::string& shown, const std::error_code& ec) {
    return diskFailure("置き換えた「" + shown + "」のファイルをごみ箱に移せないため、元に戻しました。", ec);
}

ArchiveResult cannotFlushExtracted(const std::error_code& ec) {
    return diskFailure("取り出したファイルをディスクに書き込めません。", ec);
}

ArchiveResult cannotMakeWorkFolder(const std::filesystem::path& parent, const std::error_code& ec) {
    return diskFailure("作業フォルダを作れません: " + utf8(parent), ec);
}

ArchiveResult cannotMakeArchive(const std::string& where, const std::error_code& ec) {
    return diskFailure("書庫を作れません: " + where, ec);
}

ArchiveResult cannotWriteInto(const std::filesystem::path& folder, const std::error_code& ec) {
    return diskFailure("「" + utf8(folder) + "」に書き込めません。", ec);
}

ArchiveResult cannotReplace(const std::string& path, const std::error_code& ec) {
    return diskFailure("「" + path + "」を置き換えられません。", ec);
}

ArchiveResult cannotMakeDestination(const std::string& shown, const std::error_code& ec) {
    return diskFailure("展開先を作れません: " + shown, ec);
}

ArchiveResult cannotWriteDestination(const std::string& shown, const std::error_code& ec) {
    return diskFailure("展開先に書き込めません: " + shown, ec);
}

}  // namespace archiver::failed
