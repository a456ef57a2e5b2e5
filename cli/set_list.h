// The data sets a command names: "1,3,5-7" in the numbers the lists show.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Marks in `chosen` (resized to `count`) every number of `text`: numbers from 1
// to `count`, single or as ranges "a-b" with a <= b, separated by commas. False
// with a reason in *error for anything else (nothing is guessed).
[[nodiscard]] bool ParseSetList(const std::string& text, int32_t count, std::vector<char>& chosen, std::string* error);
