#include "sysutil/Failure.h"

#include <cerrno>

#include "sysutil/ErrorText.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace sysutil {

bool isDiskFull(const std::error_code& ec) {
    if (!ec) return false;
#if defined(_WIN32)
    if (ec.category() == std::system_category() &&
        (ec.value() == ERROR_DISK_FULL || ec.value() == ERROR_HANDLE_DISK_FULL))
        return true;
#endif
    const std::error_condition c = ec.default_error_condition();
    if (c == std::errc::no_space_on_device) return true;
#if defined(EDQUOT)
    if (c.category() == std::generic_category() && c.value() == EDQUOT) return true;
#endif
    return false;
}

Failure Failure::writing(const std::string& what, const std::error_code& code) {
    return of(isDiskFull(code) ? FailureKind::NoSpace : FailureKind::WriteFailed, what + "\r\n" + describeError(code),
              code);
}

Failure Failure::reading(const std::string& what, const std::error_code& code) {
    return of(FailureKind::ReadFailed, what + "\r\n" + describeError(code), code);
}

std::string firstFive(const std::vector<std::string>& items, std::size_t unnamed) {
    constexpr std::size_t kShown = 5;
    std::string text;
    for (std::size_t i = 0; i < items.size() && i < kShown; ++i) text += "\r\n" + items[i];
    const std::size_t more = (items.size() > kShown ? items.size() - kShown : 0) + unnamed;
    if (more > 0) text += "\r\nほか " + std::to_string(more) + " 件";
    return text;
}

}  // namespace sysutil
