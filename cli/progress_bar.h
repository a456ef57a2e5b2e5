// The transfer's progress on a terminal: a bar with files, bytes and rate.
#pragma once

#include <cstdint>
#include <string>

struct ProgressState {
    uint64_t filesDone = 0, filesTotal = 0;
    uint64_t bytesDone = 0, bytesTotal = 0;
    double elapsedSeconds = 0;
};

class ProgressBar {
public:
    explicit ProgressBar(int width = 30) : m_width(width) {}
    // One line, without line end: "[#####-----]  3/10 files  1.2/4.0 MB  2.1 MB/s".
    std::string Render(const ProgressState& state) const;
    // Redraws the line on standard error ("\r" first).
    void Draw(const ProgressState& state) const;
    // Ends the line.
    void Finish() const;

private:
    int m_width;
};
