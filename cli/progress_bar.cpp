#include "cli/progress_bar.h"

#include <cstdio>

namespace {
std::string Megabytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}
}  // namespace

std::string ProgressBar::Render(const ProgressState& s) const {
    // Bytes measure the work when there are any; an all-empty list goes by files.
    double part = s.bytesTotal > 0   ? static_cast<double>(s.bytesDone) / static_cast<double>(s.bytesTotal)
                  : s.filesTotal > 0 ? static_cast<double>(s.filesDone) / static_cast<double>(s.filesTotal)
                                     : 1.0;
    if (part > 1.0) part = 1.0;
    const int filled = static_cast<int>(part * m_width);
    std::string line = "[";
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(m_width - filled), '-');
    line += "] ";
    char text[128];
    const double rate = s.elapsedSeconds > 0 ? static_cast<double>(s.bytesDone) / s.elapsedSeconds : 0.0;
    std::snprintf(text, sizeof text, "%llu/%llu files  %s/%s MB  %s MB/s", static_cast<unsigned long long>(s.filesDone),
                  static_cast<unsigned long long>(s.filesTotal), Megabytes(s.bytesDone).c_str(),
                  Megabytes(s.bytesTotal).c_str(), Megabytes(static_cast<uint64_t>(rate)).c_str());
    return line + text;
}

void ProgressBar::Draw(const ProgressState& state) const {
    std::fprintf(stderr, "\r%s", Render(state).c_str());
    std::fflush(stderr);
}

void ProgressBar::Finish() const {
    std::fputc('\n', stderr);
    std::fflush(stderr);
}
