// Exit codes of the command line, one per class of failure; documented in the README
// and the manual pages.
#pragma once

namespace exit_code {
inline constexpr int kOk = 0;
inline constexpr int kInternal = 1;    // an unexpected internal error (its text is printed)
inline constexpr int kUsage = 2;       // bad arguments
inline constexpr int kRefused = 3;     // a check refused (folder name, nothing to copy, confirmation)
inline constexpr int kSpace = 4;       // the destination drive lacks room
inline constexpr int kMedium = 5;      // no medium, no such drive
inline constexpr int kWrite = 6;       // a write failed (files, folder, restore point, undo)
inline constexpr int kVerify = 7;      // a written file read back other than written
inline constexpr int kCancelled = 8;   // interrupted (SIGINT)
inline constexpr int kNoSettings = 9;  // the suite's settings file, its catalogue or the prefix is unusable
inline constexpr int kBusy = 10;       // another run holds the maintenance folder or installation
inline constexpr int kNoDisplay = 11;  // the dialog was asked for without a display
}  // namespace exit_code
