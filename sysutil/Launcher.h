#pragma once
// The program's one way of starting another program or opening a document or
// folder, as an interface so that commands can be run against a recording fake.
#include <cstdint>
#include <string>

namespace sysutil {

inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_MINIMIZE = 6;

class Launcher {
public:
    virtual ~Launcher() = default;
    // True when something was started.
    virtual bool ShellX(const std::string& strCommandLine, int WindowStyle, std::uintptr_t lngOwnerhWnd,
                        bool blnWait) = 0;
    // Opens a document or folder in the program the desktop associates with
    // it, never running the file itself, whatever its mode: documents come
    // with scenarios from strangers. True when it was handed over.
    virtual bool OpenDocument(const std::string& path, std::uintptr_t lngOwnerhWnd) = 0;
    // Why the last ShellX started nothing, in the user's words; "" when no
    // reason is known.
    virtual std::string lastFailure() const { return {}; }
};

}  // namespace sysutil
