#pragma once
// The dialog seam's fake: answers from a script and records every question.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "sysutil/Dialogs.h"

namespace fakes {

class FakeDialogs : public sysutil::Dialogs {
public:
    struct Input {
        std::string prompt, caption, proposed;
    };

    std::deque<sysutil::MsgAnswer> answers;         // for Yes/No questions; default: the default button
    std::deque<std::optional<std::string>> inputs;  // for input boxes; default: cancelled
    std::deque<std::string> folders;                // for the folder picker; default: cancelled
    // What to do when a form is shown modally; default: nothing (closed at once).
    std::function<int(sysutil::ModalForm&)> onModal;
    bool cancelLongWork = false;
    // Runs while a question is open (the user busy elsewhere meanwhile).
    std::function<void(const sysutil::MessageRequest&)> whileAsked;

    std::vector<sysutil::MessageRequest> asked;
    std::vector<Input> inputAsked;
    std::vector<std::string> folderTitles;
    std::vector<std::string> folderStarts;
    int modalShown = 0;
    std::vector<std::string> progressCaptions;

    sysutil::MsgAnswer message(const sysutil::MessageRequest& r) override {
        asked.push_back(r);
        if (whileAsked) whileAsked(r);
        if (r.buttons == sysutil::MsgButtons::Ok) return sysutil::MsgAnswer::Ok;
        if (answers.empty()) return r.defaultButton;
        const auto a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> input(const std::string& prompt, const std::string& caption,
                                     const std::string& proposed) override {
        inputAsked.push_back({prompt, caption, proposed});
        if (inputs.empty()) return std::nullopt;
        auto v = inputs.front();
        inputs.pop_front();
        return v;
    }
    std::string selectFolder(const std::string& title, const std::string& startFolder) override {
        folderTitles.push_back(title);
        folderStarts.push_back(startFolder);
        if (folders.empty()) return {};
        auto f = folders.front();
        folders.pop_front();
        return f;
    }
    int showModal(sysutil::ModalForm& form) override {
        ++modalShown;
        return onModal ? onModal(form) : 0;
    }
    void runWithProgress(const std::string& caption,
                         const std::function<void(const sysutil::ProgressReport&)>& work) override {
        progressCaptions.push_back(caption);
        work([this](const sysutil::ProgressInfo&) { return !cancelLongWork; });
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& a : asked) out.push_back(a.text);
        return out;
    }
};

}  // namespace fakes
