// Wildcard searches of host folders. FindFirstFileA and FindNextFileA (win32.h)
// serve one pattern; a caller with several masks in the same folders asks for
// them together, and each folder is resolved and read once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace platform {

// What FindFirstFileA followed by FindNextFileA gives for one pattern: every
// entry in order, or the error FindFirstFileA sets (no entries then).
struct FileSearchResult {
    DWORD error = ERROR_SUCCESS;
    std::vector<WIN32_FIND_DATAA> entries;
};

// The size of a found file.
inline uint64_t FoundFileSize(const WIN32_FIND_DATAA& found) {
    return (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

// The answer for each of `patterns` ("dir\mask", CP932), in their order.
[[nodiscard]] std::vector<FileSearchResult> FindFilesForEach(const std::vector<std::string>& patterns);

}  // namespace platform
