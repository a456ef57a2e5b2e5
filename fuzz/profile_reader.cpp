// The profile reader and writer on any bytes: lists, look-ups, integers and one edit.
#include <cstring>
#include <string>

#include "fuzz/fuzz_prefix.h"
#include "platform/win32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::WriteFile("f.ini", data, size);
    const char* file = "C:\\f.ini";
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);  // forget the last input
    char buf[512];
    char key[512];
    GetPrivateProfileStringA(nullptr, nullptr, "", buf, sizeof buf, file);
    // The first section's keys, each key's value and integer.
    std::string section = buf;
    GetPrivateProfileStringA(section.c_str(), nullptr, "", key, sizeof key, file);
    for (const char* k = key; *k && k < key + sizeof key; k += std::strlen(k) + 1) {
        GetPrivateProfileStringA(section.c_str(), k, "d", buf, 7, file);
        GetPrivateProfileIntA(section.c_str(), k, 0, file);
    }
    WritePrivateProfileStringA(section.c_str(), "k", "v", file);
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file);
    const char entries[] = "a=1\0b=2\0";
    WritePrivateProfileSectionA("new", entries, file);
    return 0;
}
