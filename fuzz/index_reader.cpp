// The maintenance folder's index file on any bytes: flags, then one flag written.
#include "catalogue/folder_index_file.h"
#include "fuzz/fuzz_prefix.h"
#include "platform/win32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::WriteFile("JKNDT.INI", data, size);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
    const std::string file = "C:\\JKNDT.INI";
    for (int i = 0; i < 16; ++i) (void)FolderIndexFile::ReadFlag(file, i);  // only that no read crashes
    (void)FolderIndexFile::WriteFlag(file, 3, true);                        // what counts is that it reads back
    if (!FolderIndexFile::IsPresent(file, 3)) __builtin_trap();             // a written flag reads back
    return 0;
}
