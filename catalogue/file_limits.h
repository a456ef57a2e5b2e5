// Size limits of the profile files read from drives a stick or a share may hold.
#pragma once

#include <cstdint>

namespace file_limits {

// A maintenance folder's index file holds one short line per data set: at the
// largest catalogue (100,000 data sets) well under 2 MiB.
inline constexpr uint64_t kMaxIndexFileBytes = uint64_t(4) << 20;
// A catalogue holds about 30 lines per data set: 100,000 data sets stay under 64 MiB.
inline constexpr uint64_t kMaxCatalogueBytes = uint64_t(64) << 20;

// Whether the file (CP932 Windows path) lies on a removable, optical or network
// drive and is larger than `limit` bytes: such a file is not read at all. Files on
// fixed drives, and missing files, are never refused here.
bool RefusedAsTooLarge(const char* winPath, uint64_t limit);

}  // namespace file_limits
