#pragma once
// The archiver as the program reaches it: typed calls on our own codec.
// The window's commands hold an Archiver; fzarc-lha parses its arguments
// into an ArchiveCommand and runs it through runCommand.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ArchiveBuilder.h"
#include "archive/ArchiveReader.h"
#include "archive/ArchiveResult.h"
#include "archive/lha/method.h"
#include "sysutil/Dialogs.h"

namespace archiver {

enum class Command { Extract, Add, List, Test };

// One command, parsed.
struct ArchiveCommand {
    Command command = Command::List;
    std::string archivePath;
    std::vector<std::string> paths;  // destination folder (E) or source pattern, "folder/*.*" (A)
    lha::Method method = lha::kLh5;
};

// Receives a command's output as it is made: L's listing, line by line.
using OutputSink = std::function<void(std::string_view)>;

// Runs the command. `output` receives the listing of L, one line per
// entry as LHA tools list them (size, packed size, ratio, method, CRC, time
// (local) and name) under a line of headings. Progress may cancel; a
// cancelled or failed command leaves nothing half-made behind.
ArchiveResult runCommand(const ArchiveCommand& command, const OutputSink& output,
                         const sysutil::ProgressReport& progress = {});

// The archiver as the program's commands see it; tests put a fake in its place.
class Archiver {
public:
    virtual ~Archiver() = default;
    virtual std::optional<int> getVersion() = 0;
    // Extracts the archive into the folder, which is made when missing.
    virtual ArchiveResult extract(const std::string& archivePath, const std::string& folder,
                                  const sysutil::ProgressReport& progress) = 0;
    // Extracts the archive into a work folder by `folder`, to be put in place
    // once the window has asked what it must (stageArchive).
    virtual ArchiveResult stage(const std::string& archivePath, const std::string& folder,
                                const sysutil::ProgressReport& progress, std::unique_ptr<StagedExtraction>& staged) {
        return stageArchive(archivePath, folder, progress, staged);
    }
    // Creates a new archive of everything below the folder; one already
    // under its name is replaced only through `makeRoom` (createArchive).
    virtual ArchiveResult create(const std::string& archivePath, const std::string& folder, const lha::Method& method,
                                 const sysutil::ProgressReport& progress, const MakeRoom& makeRoom = {}) = 0;
};

// The archiver on our codec.
class Unlha32Archiver : public Archiver {
public:
    std::optional<int> getVersion() override;
    ArchiveResult extract(const std::string& archivePath, const std::string& folder,
                          const sysutil::ProgressReport& progress) override;
    ArchiveResult create(const std::string& archivePath, const std::string& folder, const lha::Method& method,
                         const sysutil::ProgressReport& progress, const MakeRoom& makeRoom = {}) override;
};

}  // namespace archiver
