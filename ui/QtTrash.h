#pragma once
// The trash seam on Qt: the freedesktop.org trash on Linux, the Recycle Bin
// on Windows.
#include "sysutil/Trash.h"

namespace ui {

class QtTrash : public sysutil::Trash {
public:
    bool offersTrashFor(const std::filesystem::path& path) override;
    bool moveToTrash(const std::filesystem::path& path, std::error_code& ec) override;
    bool moveToTrashAs(const std::filesystem::path& path, const std::filesystem::path& restoreAs,
                       std::error_code& ec) override;
};

}  // namespace ui
