// Removing the temporary files a killed or failed transfer left in a destination
// folder, once per folder and transfer, before the first file is written there.
#pragma once

#include <string>
#include <vector>

class TempSweep {
public:
    void Clear() { m_swept.clear(); }
    // Sweeps the folder of `destinationFile` (CP932 Windows path) unless done already.
    void Before(const std::string& destinationFile);

private:
    std::vector<std::string> m_swept;
};
