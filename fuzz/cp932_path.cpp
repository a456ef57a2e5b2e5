// CP932 paths: conversion both ways, path resolution, file search and the
// catalogue path check, on any bytes (drive C: only).
#include <string>

#include "catalogue/catalogue_paths.h"
#include "fuzz/fuzz_prefix.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "platform/win32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::DriveC();
    std::string path(reinterpret_cast<const char*>(data), size);
    if (path.find('\0') != std::string::npos) return 0;  // C strings end there
    bool ok = true;
    std::string utf8 = platform::Cp932ToUtf8(path, &ok);
    if (ok) {
        bool back = true;
        std::string again = platform::Utf8ToCp932(utf8, &back);
        if (back && platform::Cp932ToUtf8(again) != utf8) __builtin_trap();  // a round trip keeps the text
    }
    platform::HostPath r = platform::ResolvePath(path);
    // Whatever the path, it resolves below drive C:'s folder or not at all.
    if (r.ok && r.host.compare(0, platform::DriveHostRoot(2).size(), platform::DriveHostRoot(2)) != 0 &&
        r.host.find("/dosdevices/c:") == std::string::npos)
        __builtin_trap();
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA(path.c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    CataloguePathStaysInside(path.c_str());
    (void)GetFileAttributesA(path.c_str());  // only that the walk never crashes
    return 0;
}
