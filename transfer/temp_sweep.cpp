#include "transfer/temp_sweep.h"

#include <algorithm>

#include "platform/copy_file.h"
#include "platform/cp932.h"

void TempSweep::Before(const std::string& destinationFile) {
    size_t last = std::string::npos;
    for (size_t i = 0; i < destinationFile.size(); ++i) {
        if (platform::IsCp932LeadByte(static_cast<unsigned char>(destinationFile[i]))) {
            ++i;  // 表 (95 5C) is one character, never a separator
            continue;
        }
        if (destinationFile[i] == '\\') last = i;
    }
    if (last == std::string::npos) return;
    std::string folder = destinationFile.substr(0, last);
    if (std::find(m_swept.begin(), m_swept.end(), folder) != m_swept.end()) return;
    platform::RemoveStaleTemps(folder.c_str());
    m_swept.push_back(std::move(folder));
}
