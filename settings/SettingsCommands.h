#pragma once
// The two main-window commands that point the fridge list at a folder.
#include <QWidget>
#include <optional>
#include <string>

#include "sysutil/Dialogs.h"

namespace settings {

// The settings dialog, then the stored fridge folder (whichever way the dialog closed).
std::string mnuSetting(sysutil::Dialogs& dialogs, QWidget* owner);

// A folder for this run only, or nullopt when the picker was cancelled; the
// picker opens at `shown`, the folder the fridge list shows.
std::optional<std::string> mnuChangeArcFolder(sysutil::Dialogs& dialogs, const std::string& shown);

}  // namespace settings
