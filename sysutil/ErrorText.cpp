#include "sysutil/ErrorText.h"

#include "sysutil/Failure.h"

namespace sysutil {

std::string describeError(const std::error_code& ec) {
    if (isDiskFull(ec)) return "ディスクの空き容量が足りません。";
    const std::error_condition c = ec.default_error_condition();
    if (c == std::errc::read_only_file_system) return "読み取り専用の場所には書き込めません。";
    if (c == std::errc::permission_denied || c == std::errc::operation_not_permitted)
        return "アクセスが拒否されました（読み取り専用か、権限がないか、使用中です）。";
    if (c == std::errc::device_or_resource_busy || c == std::errc::text_file_busy)
        return "ほかのプログラムが使用中です。";
    if (c == std::errc::no_such_file_or_directory) return "ファイルまたはフォルダが見つかりません。";
    if (c == std::errc::filename_too_long) return "名前が長すぎます。";
    if (c == std::errc::file_exists) return "同じ名前のファイルかフォルダが既にあります。";
    if (c == std::errc::directory_not_empty) return "フォルダが空ではありません。";
    if (c == std::errc::not_a_directory) return "フォルダではないものがあります。";
    if (c == std::errc::is_a_directory) return "同じ名前のフォルダがあります。";
    if (c == std::errc::io_error) return "ディスクの読み書きに失敗しました。";
    if (c == std::errc::cross_device_link) return "別のドライブへは移せません。";
    return "エラーが発生しました。(" + ec.message() + ")";
}

}  // namespace sysutil
