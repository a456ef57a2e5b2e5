// The system catalogue reader and the path checks of its entries on any bytes.
#include <algorithm>
#include <memory>

#include "catalogue/catalogue_paths.h"
#include "catalogue/system_catalogue.h"
#include "fuzz/fuzz_prefix.h"
#include "platform/win32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::WriteFile("JDTKANRI.JYO", data, size);
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
    const char* file = "C:\\JDTKANRI.JYO";
    // A count may be up to 100,000: a few entries show the reader's behaviour.
    const int32_t n = std::min<int32_t>(SystemCatalogue::ReadCount(file), 8);
    auto entry = std::make_unique<CatalogueEntry>();
    for (int32_t i = 0; i < n; ++i) {
        *entry = CatalogueEntry();
        SystemCatalogue::ReadEntry(file, i, *entry);
        CatalogueEntryStaysInside(*entry);
    }
    return 0;
}
