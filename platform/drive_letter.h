// A drive as Windows names it: numbers 0-25 for A: to Z:, as GetLogicalDrives'
// bits and the suite's drive numbers count them.
#pragma once

#include <optional>
#include <string>

namespace platform {

inline constexpr int kDriveCount = 26;

inline constexpr bool IsDriveNumber(int n) { return n >= 0 && n < kDriveCount; }

class DriveLetter {
public:
    // The drive with number `n`; none outside 0-25.
    static constexpr std::optional<DriveLetter> FromNumber(int n) {
        if (!IsDriveNumber(n)) return std::nullopt;
        return DriveLetter(n);
    }
    // The drive named by letter `c`, either case; none for any other character.
    static constexpr std::optional<DriveLetter> FromLetter(char c) {
        if (c >= 'a' && c <= 'z') return DriveLetter(c - 'a');
        if (c >= 'A' && c <= 'Z') return DriveLetter(c - 'A');
        return std::nullopt;
    }

    constexpr int Number() const { return m_number; }
    constexpr char Letter() const { return static_cast<char>('A' + m_number); }
    // "E:"
    std::string Name() const { return {Letter(), ':'}; }
    // "E:\", the form GetDriveTypeA and GetDiskFreeSpaceExA take.
    std::string Root() const { return {Letter(), ':', '\\'}; }

    friend constexpr bool operator==(DriveLetter, DriveLetter) = default;

private:
    explicit constexpr DriveLetter(int n) : m_number(n) {}
    int m_number;
};

}  // namespace platform
