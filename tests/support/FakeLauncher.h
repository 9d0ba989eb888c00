#pragma once
// A launcher that records the command lines and documents it is handed.
#include <cstdint>
#include <string>
#include <vector>

#include "sysutil/Launcher.h"

namespace fakes {

class FakeLauncher : public sysutil::Launcher {
public:
    struct Call {
        std::string line;
        int style;
        bool wait;
    };
    std::vector<Call> calls;
    bool starts = true;  // what ShellX answers
    std::string failure;
    sysutil::Failure ShellX(const std::string& line, int style, std::uintptr_t, bool wait) override {
        calls.push_back({line, style, wait});
        return starts ? sysutil::Failure{} : sysutil::Failure::of(sysutil::FailureKind::NotStarted, failure);
    }
    std::vector<std::string> opened;  // documents and folders handed to their programs
    sysutil::Failure OpenDocument(const std::string& path, std::uintptr_t) override {
        opened.push_back(path);
        return {};
    }
};

}  // namespace fakes
