#include "transfer/temp_sweep.h"

#include <algorithm>

#include "platform/copy_file.h"
#include "platform/cp932_walk.h"

void TempSweep::Before(const std::string& destinationFile) {
    const size_t last = platform::LastCp932Separator(destinationFile, "\\");
    if (last == std::string::npos) return;
    std::string folder = destinationFile.substr(0, last);
    if (std::find(m_swept.begin(), m_swept.end(), folder) != m_swept.end()) return;
    platform::RemoveStaleTemps(folder.c_str());
    m_swept.push_back(std::move(folder));
}
