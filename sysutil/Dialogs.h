#pragma once
// The dialog seam: every modal interaction of the program goes through this
// interface. The application hands the Qt implementation to its forms; tests
// hand a fake that answers from a script and records every question.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace sysutil {

enum class MsgIcon { None, Question, Exclamation, Critical, Information };
// YesNoAll adds "yes to all" and "no to all", for a question a batch asks
// once per item.
enum class MsgButtons { Ok, YesNo, YesNoAll };
enum class MsgAnswer { Ok, Yes, No, YesToAll, NoToAll };

struct MessageRequest {
    std::string text;
    std::string caption;  // "" means the application's title
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::Ok;
    MsgAnswer defaultButton = MsgAnswer::Ok;
};

// A form that can be shown modally (implemented by the dialogs themselves).
class ModalForm {
public:
    virtual ~ModalForm() = default;
    virtual int execModal() = 0;
};

// What long work reports, and how it learns that the user cancelled.
struct ProgressInfo {
    std::uint64_t entriesDone = 0;
    std::uint64_t entriesTotal = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
    std::string currentName;
};
// Returns false once the user has asked to cancel. Safe to call from any thread.
using ProgressReport = std::function<bool(const ProgressInfo&)>;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MsgAnswer message(const MessageRequest& request) = 0;
    // nullopt when cancelled.
    virtual std::optional<std::string> input(const std::string& prompt, const std::string& caption,
                                             const std::string& proposed) = 0;
    // The chosen folder's full path, or "" when cancelled; the picker opens
    // at `startFolder` when it exists.
    virtual std::string selectFolder(const std::string& title, const std::string& startFolder) = 0;
    virtual int showModal(ModalForm& form) = 0;
    // Runs `work` where it is called, never on the window's thread (the
    // commands run as jobs off it): a progress window shows once the work
    // lasts, and its cancel reaches the work through the report.
    virtual void runWithProgress(const std::string& caption,
                                 const std::function<void(const ProgressReport&)>& work) = 0;
};

}  // namespace sysutil
