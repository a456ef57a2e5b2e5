// The document format in memory: layout, round trip, and refusal of damaged bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "host/doc_format.h"
#include "tests/host/doc_samples.h"

namespace {

using docfmt::DecodeAttributes;
using docfmt::DecodeDocument;

uint32_t U32At(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

void PutU32At(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A document around an arbitrary attribute part, with a correct checksum, so that
// the structure checks behind the checksum are reached.
std::vector<uint8_t> Wrap(const std::vector<uint8_t>& attrs, const std::vector<uint8_t>& body) {
    docfmt::Header h;
    h.attrLength = static_cast<uint32_t>(attrs.size());
    h.attrCrc = docfmt::Crc32(attrs.data(), attrs.size());
    std::vector<uint8_t> doc = docfmt::EncodeHeader(h);
    doc.insert(doc.end(), attrs.begin(), attrs.end());
    for (int i = 0; i < 4; ++i) doc.push_back(static_cast<uint8_t>(body.size() >> (8 * i)));
    doc.insert(doc.end(), body.begin(), body.end());
    return doc;
}

// Decoding `bytes` must fail and leave the target exactly as it was.
void ExpectRefused(const std::vector<uint8_t>& bytes, const char* what) {
    auto target = samples::Attr(99, 1, 2, 3, 4, "kept");
    auto before = std::make_unique<DemAttr>(*target);
    std::vector<uint8_t> body = samples::Bytes("old body");
    EXPECT_NE(DecodeDocument(bytes.data(), bytes.size(), target.get(), &body), "") << what;
    EXPECT_TRUE(samples::Same(*target, *before)) << what;
    EXPECT_EQ(body, samples::Bytes("old body")) << what;
}

TEST(DocFormat, RoundTripKeepsEveryGroupAndTheBody) {
    auto attr = samples::Attr(7, 32, 5, 256, 17);
    attr->kind1Settings[0] = INT32_MIN;
    attr->kind1Settings[4] = INT32_MAX;
    std::vector<uint8_t> body(70000);
    for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 31 + 5);
    const auto doc = docfmt::EncodeDocument(*attr, body, 0x8001);

    auto back = std::make_unique<DemAttr>();
    std::vector<uint8_t> bodyBack;
    docfmt::Header header;
    ASSERT_EQ(DecodeDocument(doc.data(), doc.size(), back.get(), &bodyBack, &header), "");
    EXPECT_TRUE(samples::Same(*attr, *back));
    EXPECT_EQ(bodyBack, body);
    EXPECT_EQ(header.flags, 0x8001);
    EXPECT_EQ(header.version, 1);
}

TEST(DocFormat, LayoutStoresOnlyCountedEntriesLittleEndian) {
    auto attr = samples::Attr(1, 2, 1, 3, 0, "xyz");
    // Bytes beyond the count are not part of the document.
    attr->table341.entries[5].fill(0xEE);
    const auto doc = docfmt::EncodeDocument(*attr, samples::Bytes("BODY"));
    const size_t attrLen = 4 * 8 + 2 * 341 + 1 * 269 + 3 * 265 + 0 * 265 + 5 * 4 + 4 + 3;
    ASSERT_EQ(doc.size(), 20 + attrLen + 4 + 4);
    EXPECT_EQ(0, std::memcmp(doc.data(), "DEMDOC\x1A\0", 8));
    EXPECT_EQ(doc[8], 1);  // version, low byte first
    EXPECT_EQ(doc[9], 0);
    EXPECT_EQ(U32At(doc, 12), attrLen);
    EXPECT_EQ(U32At(doc, 16), docfmt::Crc32(doc.data() + 20, attrLen));
    // Table 341: entry size 341 (0x0155), capacity 32, count 2, then its two entries.
    EXPECT_EQ(doc[20], 0x55);
    EXPECT_EQ(doc[21], 0x01);
    EXPECT_EQ(doc[22], 32);
    EXPECT_EQ(U32At(doc, 24), 2u);
    EXPECT_EQ(0, std::memcmp(doc.data() + 28, attr->table341.entries[0].data(), 341));
    EXPECT_EQ(U32At(doc, 20 + attrLen), 4u);
    EXPECT_EQ(0, std::memcmp(doc.data() + 24 + attrLen, "BODY", 4));
    // The known CRC-32 check value.
    EXPECT_EQ(docfmt::Crc32(reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);

    auto back = std::make_unique<DemAttr>();
    ASSERT_EQ(DecodeDocument(doc.data(), doc.size(), back.get(), nullptr), "");
    EXPECT_EQ(back->table341.entries[5][0], 0);  // a loaded object has nothing beyond its counts
}

TEST(DocFormat, CountsOutsideTheTableAreClampedWhenWritten) {
    auto attr = samples::Attr(3, 0, 0, 0, 0);
    attr->table341.count = 33;
    attr->table269.count = -4;
    attr->table265First.count = 1000;
    attr->table265Second.count = INT32_MIN;
    const auto doc = docfmt::EncodeDocument(*attr, {});
    auto back = std::make_unique<DemAttr>();
    ASSERT_EQ(DecodeDocument(doc.data(), doc.size(), back.get(), nullptr), "");
    EXPECT_EQ(back->table341.count, 32);
    EXPECT_EQ(back->table269.count, 0);
    EXPECT_EQ(back->table265First.count, 256);
    EXPECT_EQ(back->table265Second.count, 0);
}

TEST(DocFormat, EveryTruncationAndAnyExtraByteIsRefused) {
    auto attr = samples::Attr(5, 1, 1, 1, 1, "o");
    auto doc = docfmt::EncodeDocument(*attr, samples::Bytes("body text"));
    for (size_t len = 0; len < doc.size(); ++len)
        ExpectRefused(std::vector<uint8_t>(doc.begin(), doc.begin() + static_cast<std::ptrdiff_t>(len)),
                      ("truncated to " + std::to_string(len)).c_str());
    doc.push_back(0);
    ExpectRefused(doc, "one byte after the body");
}

TEST(DocFormat, DamagedStructureIsRefusedEvenWithAValidChecksum) {
    auto attr = samples::Attr(9, 2, 1, 0, 0, "ab");
    const auto attrs = docfmt::EncodeAttributes(*attr);
    const auto body = samples::Bytes("b");
    const size_t t269 = 8 + 2 * 341, t265a = t269 + 8 + 269, t265b = t265a + 8, other = t265b + 8 + 20;
    ASSERT_EQ(attrs.size(), other + 4 + 2);
    ASSERT_EQ(DecodeAttributes(attrs.data(), attrs.size(), attr.get()), "");

    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    } cases[] = {
        {"huge 341 count", 4, 0xFFFFFFFFu},
        {"341 count one above capacity", 4, 33},
        {"269 count above capacity", t269 + 4, 0x80000000u},
        {"265a count far past the end", t265a + 4, 256},
        {"265b count past the end", t265b + 4, 1},
        {"other attributes past the end", other, 3},
        {"huge other attributes", other, 0xFFFFFFF0u},
    };
    for (const auto& c : cases) {
        auto bad = attrs;
        PutU32At(bad, c.at, c.value);
        ExpectRefused(Wrap(bad, body), c.what);
    }
    auto wrongSize = attrs;
    wrongSize[t269] = 0x0F;  // 269 = 0x010D becomes 271
    ExpectRefused(Wrap(wrongSize, body), "wrong entry size");
    auto wrongCapacity = attrs;
    wrongCapacity[t265a + 2] = 0x01;  // 256 = 0x0100 becomes 257
    ExpectRefused(Wrap(wrongCapacity, body), "wrong capacity");

    auto tail = attrs;
    tail.push_back(0);
    ExpectRefused(Wrap(tail, body), "slack after the other attributes");

    auto doc = Wrap(attrs, body);
    auto bodyLong = doc;
    PutU32At(bodyLong, 20 + attrs.size(), 0xFFFFFFFFu);
    ExpectRefused(bodyLong, "body length past the end");
    auto attrLong = doc;
    PutU32At(attrLong, 12, static_cast<uint32_t>(attrs.size() + 100));
    ExpectRefused(attrLong, "attribute length past the end");
    PutU32At(attrLong, 12, 0xFFFFFFFFu);
    ExpectRefused(attrLong, "huge attribute length");
    auto badCrc = doc;
    badCrc[20 + 30] ^= 0x01;
    ExpectRefused(badCrc, "entry byte changed without the checksum");
    auto version2 = doc;
    version2[8] = 2;
    ExpectRefused(version2, "unknown version");
    auto magic = doc;
    magic[0] = 'X';
    ExpectRefused(magic, "wrong signature");
}

TEST(DocFormat, RandomBytesAreRefused) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 400; ++round) {
        std::vector<uint8_t> bytes(rng() % 3000);
        for (auto& b : bytes) b = static_cast<uint8_t>(rng());
        if (round % 2 && bytes.size() >= 10) {
            std::memcpy(bytes.data(), docfmt::kMagic, 8);  // get past the signature
            bytes[8] = 1;
            bytes[9] = 0;
        }
        ExpectRefused(bytes, "random bytes");
    }
}

// Mutated attribute parts: every accepted one must be the exact encoding of what was
// decoded (the format has one spelling per object), every refused one must leave the
// object alone. Whole documents with the checksum refreshed go the same way.
TEST(DocFormat, MutatedAttributePartsDecodeCanonicallyOrNotAtAll) {
    std::mt19937 rng(77);
    auto attr = samples::Attr(11, 3, 2, 4, 1, "opaque");
    const auto original = docfmt::EncodeAttributes(*attr);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        auto bytes = original;
        const int edits = 1 + static_cast<int>(rng() % 4);
        for (int e = 0; e < edits; ++e) {
            const size_t at = rng() % bytes.size();
            switch (rng() % 5) {
            case 0: bytes[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
            case 1: bytes[at] = static_cast<uint8_t>(rng()); break;
            case 2: bytes.resize(at); break;
            case 3: bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(at), static_cast<uint8_t>(rng())); break;
            default: bytes[at] = (rng() % 2) ? 0xFF : 0x00; break;
            }
            if (bytes.empty()) break;
        }
        auto target = samples::Attr(50, 1, 1, 1, 1);
        auto before = std::make_unique<DemAttr>(*target);
        if (DecodeAttributes(bytes.data(), bytes.size(), target.get()).empty()) {
            ++accepted;
            EXPECT_EQ(docfmt::EncodeAttributes(*target), bytes) << "round " << round;
        } else {
            EXPECT_TRUE(samples::Same(*target, *before)) << "round " << round;
        }
        const auto doc = Wrap(bytes, samples::Bytes("body"));
        auto whole = std::make_unique<DemAttr>(*before);
        std::vector<uint8_t> body;
        if (DecodeDocument(doc.data(), doc.size(), whole.get(), &body).empty())
            EXPECT_EQ(body, samples::Bytes("body"));
        else
            EXPECT_TRUE(samples::Same(*whole, *before));
    }
    // Flips inside entries and settings keep the structure: some rounds must pass.
    EXPECT_GT(accepted, 100);
}

}  // namespace
