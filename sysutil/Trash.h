#pragma once
// The desktop's trash as a seam: what a command replaces or throws away goes
// there, so that the user can take it back. The application hands the Qt
// implementation (the freedesktop.org trash, the Recycle Bin) to its
// commands; tests hand a fake that moves into a folder of their own.
#include <filesystem>
#include <system_error>

namespace sysutil {

class Trash {
public:
    virtual ~Trash() = default;
    // Whether the platform offers a trash for the place `path` lies on, so
    // that a question can say before anything happens whether the item can be
    // taken back or goes for good.
    virtual bool offersTrashFor(const std::filesystem::path& path) = 0;
    // Moves the file or folder `path` whole into the trash, by a rename: a
    // kill leaves it here or there, never split. False, `ec` set and `path`
    // where it was when it cannot.
    virtual bool moveToTrash(const std::filesystem::path& path, std::error_code& ec) = 0;
    // The same for an item that a restore is to put back at `restoreAs`
    // rather than where it lies now (a take out's replaced files, gathered in
    // its hidden work folder). Where the trash records no place, moveToTrash.
    virtual bool moveToTrashAs(const std::filesystem::path& path, const std::filesystem::path& /*restoreAs*/,
                               std::error_code& ec) {
        return moveToTrash(path, ec);
    }
};

}  // namespace sysutil
