#pragma once
// Other processes as the program sees them: whether one still runs.
namespace sysutil {

unsigned long currentProcessId();
// True while the process runs (or cannot be asked: it belongs to another user).
bool processRuns(unsigned long pid);

}  // namespace sysutil
