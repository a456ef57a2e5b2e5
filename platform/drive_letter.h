// A drive as Windows names it: numbers 0-25 for A: to Z:, as GetLogicalDrives'
// bits and the suite's drive numbers count them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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
    // The drive a Windows path names by its "X:" head ("E:\x", "e:", "E:x"); none
    // for a relative or rooted path without one, a UNC name or any other head.
    static constexpr std::optional<DriveLetter> OfPath(std::string_view path) {
        if (path.size() < 2 || path[1] != ':') return std::nullopt;
        return FromLetter(path[0]);
    }
    // The drive a volume root names: "E:", "E:\" or "E:/"; none for a longer path.
    static constexpr std::optional<DriveLetter> OfRoot(std::string_view root) {
        if (root.size() == 3 && root[2] != '\\' && root[2] != '/') return std::nullopt;
        return root.size() <= 3 ? OfPath(root) : std::nullopt;
    }
    // A: to Z:, in letter order.
    static constexpr std::array<DriveLetter, kDriveCount> All() {
        return Each(std::make_index_sequence<kDriveCount>());
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
    template <size_t... N>
    static constexpr std::array<DriveLetter, sizeof...(N)> Each(std::index_sequence<N...>) {
        return {DriveLetter(static_cast<int>(N))...};
    }
    int m_number;
};

}  // namespace platform
