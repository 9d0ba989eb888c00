#pragma once
// The trash seam's fake: moves by a rename into a folder of its own (a
// temporary one unless the test names another) and records what went.
// `offered` false plays a file system without a trash.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "sysutil/Trash.h"

namespace fakes {

class FakeTrash : public sysutil::Trash {
public:
    FakeTrash() : own_(std::in_place), folder(own_->path() / "trash") {}
    explicit FakeTrash(std::filesystem::path into) : folder(std::move(into)) {}

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

private:
    std::optional<testsupport::TempDir> own_;

public:
    std::filesystem::path folder;
    bool offered = true;
    std::vector<Moved> moved;
};

}  // namespace fakes
