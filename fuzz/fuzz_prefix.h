// A throw-away Wine-style prefix for the fuzz targets: drive C: only (no Z:, so
// no fuzzed path reaches the rest of the machine), made once per process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Host folder of drive C:; the prefix is made and WINEPREFIX set on first call.
const std::string& DriveC();

// Writes `size` bytes to a host file below drive C: ("name" relative to it).
void WriteFile(const std::string& name, const uint8_t* data, size_t size);

}  // namespace fuzz
