#pragma once
// The program's one way of starting another program or opening a document or
// folder, as an interface so that commands can be run against a recording fake.
#include <cstdint>
#include <string>

#include "sysutil/Failure.h"

namespace sysutil {

inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_MINIMIZE = 6;

class Launcher {
public:
    virtual ~Launcher() = default;
    // Ok when something was started; otherwise NotStarted, with why in the
    // user's words when a reason is known.
    virtual Failure ShellX(const std::string& strCommandLine, int WindowStyle, std::uintptr_t lngOwnerhWnd,
                           bool blnWait) = 0;
    // Opens a document or folder in the program the desktop associates with
    // it, never running the file itself, whatever its mode: documents come
    // with scenarios from strangers. Ok when it was handed over.
    virtual Failure OpenDocument(const std::string& path, std::uintptr_t lngOwnerhWnd) = 0;
};

}  // namespace sysutil
