// The document decoder on any bytes, in memory and through the file loader.
#include <memory>
#include <vector>

#include "fuzz/fuzz_prefix.h"
#include "host/doc_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto attr = std::make_unique<DemAttr>();
    std::vector<uint8_t> body;
    if (docfmt::DecodeDocument(data, size, attr.get(), &body).empty()) {
        // What decodes must encode back to a document that decodes the same way.
        std::vector<uint8_t> again = docfmt::EncodeDocument(*attr, body);
        auto second = std::make_unique<DemAttr>();
        if (!docfmt::DecodeDocument(again.data(), again.size(), second.get(), nullptr).empty()) __builtin_trap();
    }
    fuzz::WriteFile("d.dem", data, size);
    auto loaded = std::make_unique<DemAttr>();
    (void)docfmt::LoadFile(fuzz::DriveC() + "/d.dem", loaded.get());
    return 0;
}
