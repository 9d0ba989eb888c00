#pragma once
// The trash seam's fake: moves by a rename into a folder of its own (a fresh
// temporary one, removed with the fake, unless the test names another) and
// records what went. `offered` false plays a file system without a trash.
// Header-only, so that the fuzz targets use it too.
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "sysutil/Trash.h"

#if !defined(_WIN32)
#include <unistd.h>
#else
#include <process.h>
#endif

namespace fakes {

class FakeTrash : public sysutil::Trash {
public:
    FakeTrash() : folder(freshFolder()), own_(true) {}
    explicit FakeTrash(std::filesystem::path into) : folder(std::move(into)) {}
    ~FakeTrash() override {
        std::error_code ec;
        if (own_) std::filesystem::remove_all(folder, ec);
    }
    FakeTrash(const FakeTrash&) = delete;
    FakeTrash& operator=(const FakeTrash&) = delete;

    bool offersTrashFor(const std::filesystem::path&) override { return offered; }
    bool moveToTrash(const std::filesystem::path& path, std::error_code& ec) override {
        if (!offered) {
            ec = std::make_error_code(std::errc::operation_not_supported);
            return false;
        }
        std::filesystem::create_directories(folder, ec);
        if (ec) return false;
        auto target = folder / path.filename();
        for (int n = 2; std::filesystem::exists(std::filesystem::symlink_status(target)); ++n) {
            target = folder / path.filename();
            target += "." + std::to_string(n);
        }
        std::filesystem::rename(path, target, ec);
        if (ec) return false;
        moved.push_back({path, target});
        return true;
    }

    struct Moved {
        std::filesystem::path from, to;
    };
    std::filesystem::path folder;
    bool offered = true;
    std::vector<Moved> moved;

private:
    static std::filesystem::path freshFolder() {
        static std::atomic<int> count{0};
        return std::filesystem::temp_directory_path() /
               ("fzarc-fake-trash-" + std::to_string(getpid()) + "-" + std::to_string(++count));
    }
    bool own_ = false;
};

}  // namespace fakes
