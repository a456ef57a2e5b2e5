// A profile file under a throw-away prefix: C:\ini\test.ini.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"
#include "tests/support/temp_prefix.h"

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = prefix.DriveC() + "/ini";
        MakeHostDirs(folder);
        host = folder + "/test.ini";
    }
    void Put(std::string_view bytes) { WriteHostFile(host, bytes); }
    std::string Contents() const { return ReadHostFile(host); }

    // GetPrivateProfileStringA into a buffer of `size` bytes; *ret gets the result.
    std::string Get(const char* section, const char* key, const char* def = "def", DWORD size = 256,
                    DWORD* ret = nullptr) {
        std::string buf(size + 8, '\x7F');
        DWORD r = GetPrivateProfileStringA(section, key, def, buf.data(), size, win);
        if (ret) *ret = r;
        return std::string(buf.data(), r);
    }
    // Raw buffer after a call, for list results.
    std::string GetRaw(const char* section, const char* key, DWORD size, DWORD* ret) {
        std::string buf(size + 4, '\x7F');
        *ret = GetPrivateProfileStringA(section, key, "def", buf.data(), size, win);
        return buf;
    }
    BOOL Write(const char* section, const char* key, const char* value) {
        return WritePrivateProfileStringA(section, key, value, win);
    }
    UINT Int(const char* section, const char* key, INT def = 7) {
        return GetPrivateProfileIntA(section, key, def, win);
    }

    TempPrefix prefix;
    std::string folder, host;
    const char* win = "C:\\ini\\test.ini";
};
