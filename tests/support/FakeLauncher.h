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
    bool ShellX(const std::string& line, int style, std::uintptr_t, bool wait) override {
        calls.push_back({line, style, wait});
        return starts;
    }
    std::string lastFailure() const override { return failure; }
    std::vector<std::string> opened;  // documents and folders handed to their programs
    bool OpenDocument(const std::string& path, std::uintptr_t) override {
        opened.push_back(path);
        return true;
    }
};

}  // namespace fakes
