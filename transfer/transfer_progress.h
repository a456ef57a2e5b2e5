// What a front end can watch and stop of a running transfer. Written by the
// copying thread, read by any other (a window's timer, a command line's printer),
// so every figure is an atomic and the names are behind a lock.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

// What a transfer is doing: copying files (to temporary names), writing what it
// copied to the medium (a flush), reading it back from the medium to check it,
// or finishing (the renames and the last flush).
enum class TransferPhase : uint8_t { Copying, Writing, Checking, Finishing };

class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    // Called on the copying thread after the figures moved (a chunk or a file):
    // for a front end that prints rather than polls. Keep it short.
    virtual void Progressed() {}

    // Totals, set once before the first file is written.
    std::atomic<uint64_t> totalFiles{0};
    std::atomic<uint64_t> totalBytes{0};
    // Progress: files written whole, bytes written (also inside the current file).
    std::atomic<uint64_t> filesDone{0};
    std::atomic<uint64_t> bytesDone{0};
    // Read back from the medium: bytes the transfer will check, and checked so far.
    std::atomic<uint64_t> totalCheckBytes{0};
    std::atomic<uint64_t> bytesChecked{0};
    std::atomic<TransferPhase> phase{TransferPhase::Copying};
    // True once the transfer has ended, however it ended.
    std::atomic<bool> finished{false};

    // Back to zero, for the next transfer.
    void Reset() {
        totalFiles = 0;
        totalBytes = 0;
        filesDone = 0;
        bytesDone = 0;
        totalCheckBytes = 0;
        bytesChecked = 0;
        phase = TransferPhase::Copying;
        finished = false;
        SetCurrent({}, {});
    }

    // The data set (its catalogue name) and file (its full path) being written; CP932.
    void SetCurrent(std::string dataSet, std::string file) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_dataSet = std::move(dataSet);
        m_file = std::move(file);
    }
    void Current(std::string* dataSet, std::string* file) const {
        std::lock_guard<std::mutex> lock(m_lock);
        *dataSet = m_dataSet;
        *file = m_file;
    }

private:
    mutable std::mutex m_lock;
    std::string m_dataSet, m_file;
};

// How a transfer ended.
struct TransferResult {
    uint32_t rows = 0;       // rows of the list written, in order from the first
    uint32_t reached = 0;    // rows the run began to write; the rows after them are untouched
    uint32_t files = 0;      // distinct destination files among them
    uint64_t bytes = 0;      // bytes copied
    uint32_t unchanged = 0;  // rows among them already as their source and left unwritten
    std::chrono::milliseconds time{0};
    bool cancelled = false;  // stopped on request; the rows written stay
    bool failed = false;     // a write failed; the failure was reported
    // Every row written and on the medium.
    bool Complete(uint32_t listCount) const { return !cancelled && !failed && rows == listCount; }
};
