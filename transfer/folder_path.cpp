#include "transfer/folder_path.h"

#include <cstring>
#include <string>

#include "platform/cp932_walk.h"
#include "platform/win32.h"

namespace {
// Byte offsets of the single-byte backslashes of `path`, scanning with the lead
// byte rule; calls `visit(offset)` for each, in order.
template <typename Visit>
void ForEachSeparator(const std::string& path, Visit visit) {
    platform::ForEachCp932Char(path, [&](size_t i, size_t len) {
        if (len == 1 && path[i] == '\\') visit(i);
    });
}
}  // namespace

bool CreateFolderPath(const char* filePath) {
    if (!filePath) return false;
    const std::string path(filePath);

    size_t last = std::string::npos;
    ForEachSeparator(path, [&](size_t i) { last = i; });
    // A bare file name lies in the current folder, which exists.
    if (last == std::string::npos) return true;

    const std::string folder = path.substr(0, last);
    bool rootMissing = false;
    std::string prefix;
    ForEachSeparator(folder, [&](size_t i) {
        if (rootMissing) return;
        if (i > 0 && folder[i - 1] == ':') {
            prefix.assign(folder, 0, i + 1);  // "X:\"
            if (_access(prefix.c_str(), 0) != 0) rootMissing = true;
            return;
        }
        if (i == 0) return;  // a path from the current drive's root: nothing to make yet
        prefix.assign(folder, 0, i);
        _mkdir(prefix.c_str());  // exists already, or fails: the write will tell
    });
    if (rootMissing) return false;
    // A file directly in a drive root: the root is all there is to test.
    if (folder.size() == 2 && folder[1] == ':') return _access((folder + '\\').c_str(), 0) == 0;
    if (!folder.empty()) _mkdir(folder.c_str());
    return true;
}
