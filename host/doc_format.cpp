// Encoding and decoding of documents in memory. All numbers are little-endian.
#include "host/doc_format.h"

#include <array>
#include <cstring>
#include <memory>

namespace docfmt {
namespace {

constexpr size_t kTableHeaderSize = 8;  // entry size u16, capacity u16, count u32
constexpr size_t kSettingsSize = 5 * 4;

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t GetU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// Reads forward through a buffer; every take is checked against the end.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_p(data), m_left(size) {}
    [[nodiscard]] bool Take(size_t n, const uint8_t** out) {
        if (n > m_left) return false;
        *out = m_p;
        m_p += n;
        m_left -= n;
        return true;
    }
    [[nodiscard]] bool U16(uint16_t* v) {
        const uint8_t* p;
        if (!Take(2, &p)) return false;
        *v = GetU16(p);
        return true;
    }
    [[nodiscard]] bool U32(uint32_t* v) {
        const uint8_t* p;
        if (!Take(4, &p)) return false;
        *v = GetU32(p);
        return true;
    }
    size_t Left() const { return m_left; }

private:
    const uint8_t* m_p;
    size_t m_left;
};

template <size_t N, int C>
int32_t StoredCount(const DemAttrTable<N, C>& table) {
    if (table.count < 0) return 0;
    return table.count > C ? C : table.count;
}

template <size_t N, int C>
void EncodeTable(std::vector<uint8_t>& out, const DemAttrTable<N, C>& table) {
    const int32_t count = StoredCount(table);
    PutU16(out, static_cast<uint16_t>(N));
    PutU16(out, static_cast<uint16_t>(C));
    PutU32(out, static_cast<uint32_t>(count));
    for (size_t i = 0; i < static_cast<size_t>(count); ++i)
        out.insert(out.end(), table.entries[i].begin(), table.entries[i].end());
}

template <size_t N, int C>
[[nodiscard]] std::string DecodeTable(Reader& in, DemAttrTable<N, C>& table, const char* name) {
    uint16_t entrySize, capacity;
    uint32_t count;
    if (!in.U16(&entrySize) || !in.U16(&capacity) || !in.U32(&count))
        return std::string("attribute part ends inside the header of table ") + name;
    if (entrySize != N || capacity != C) return std::string("table ") + name + " has the wrong entry size or capacity";
    if (count > static_cast<uint32_t>(C)) return std::string("table ") + name + " holds more entries than its capacity";
    const uint8_t* p;
    if (!in.Take(static_cast<size_t>(count) * N, &p)) return std::string("attribute part ends inside table ") + name;
    for (uint32_t i = 0; i < count; ++i) std::memcpy(table.entries[i].data(), p + i * N, N);
    table.count = static_cast<int32_t>(count);
    return {};
}

}  // namespace

size_t MaxAttributePartSize() {
    return 4 * kTableHeaderSize + 32 * 341 + 32 * 269 + 2 * 256 * 265 + kSettingsSize + 4 + kMaxOtherAttributes;
}

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::vector<uint8_t> EncodeAttributes(const DemAttr& attr) {
    std::vector<uint8_t> out;
    EncodeTable(out, attr.table341);
    EncodeTable(out, attr.table269);
    EncodeTable(out, attr.table265First);
    EncodeTable(out, attr.table265Second);
    for (int32_t v : attr.kind1Settings) PutU32(out, static_cast<uint32_t>(v));
    PutU32(out, static_cast<uint32_t>(attr.otherAttributes.size()));
    out.insert(out.end(), attr.otherAttributes.begin(), attr.otherAttributes.end());
    return out;
}

std::vector<uint8_t> EncodeHeader(const Header& header) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    PutU16(out, header.version);
    PutU16(out, header.flags);
    PutU32(out, header.attrLength);
    PutU32(out, header.attrCrc);
    return out;
}

std::vector<uint8_t> EncodeDocument(const DemAttr& attr, const std::vector<uint8_t>& body, uint16_t flags) {
    const std::vector<uint8_t> attrs = EncodeAttributes(attr);
    Header h;
    h.flags = flags;
    h.attrLength = static_cast<uint32_t>(attrs.size());
    h.attrCrc = Crc32(attrs.data(), attrs.size());
    std::vector<uint8_t> out = EncodeHeader(h);
    out.insert(out.end(), attrs.begin(), attrs.end());
    PutU32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::string DecodeHeader(const uint8_t* data, size_t size, Header* out) {
    if (size < kHeaderSize) return "file is shorter than a document header";
    if (std::memcmp(data, kMagic, sizeof kMagic) != 0) return "not a document (wrong signature)";
    Header h;
    h.version = GetU16(data + 8);
    h.flags = GetU16(data + 10);
    h.attrLength = GetU32(data + 12);
    h.attrCrc = GetU32(data + 16);
    if (h.version != kVersion) return "unsupported document version " + std::to_string(h.version);
    if (h.attrLength > MaxAttributePartSize()) return "attribute part length is out of range";
    *out = h;
    return {};
}

std::string DecodeAttributes(const uint8_t* data, size_t size, DemAttr* out) {
    // Decoded aside, so a failure leaves `out` as it was.
    auto attr = std::make_unique<DemAttr>();
    Reader in(data, size);
    std::string err;
    if (!(err = DecodeTable(in, attr->table341, "341")).empty()) return err;
    if (!(err = DecodeTable(in, attr->table269, "269")).empty()) return err;
    if (!(err = DecodeTable(in, attr->table265First, "265a")).empty()) return err;
    if (!(err = DecodeTable(in, attr->table265Second, "265b")).empty()) return err;
    for (int32_t& v : attr->kind1Settings) {
        uint32_t u;
        if (!in.U32(&u)) return "attribute part ends inside the settings";
        v = static_cast<int32_t>(u);
    }
    uint32_t otherLength;
    if (!in.U32(&otherLength)) return "attribute part ends before the other attributes";
    if (otherLength > kMaxOtherAttributes) return "other attributes are too large";
    const uint8_t* p;
    if (!in.Take(otherLength, &p)) return "attribute part ends inside the other attributes";
    if (in.Left() != 0) return "attribute part has unexpected trailing bytes";
    attr->otherAttributes.assign(p, p + otherLength);
    *out = *attr;
    return {};
}

std::string DecodeDocument(const uint8_t* data, size_t size, DemAttr* out, std::vector<uint8_t>* body, Header* header) {
    Header h;
    std::string err = DecodeHeader(data, size, &h);
    if (!err.empty()) return err;
    const size_t attrEnd = kHeaderSize + h.attrLength;
    if (size < attrEnd + kBodyLengthSize) return "file ends inside the attribute part";
    if (Crc32(data + kHeaderSize, h.attrLength) != h.attrCrc) return "attribute part is damaged (checksum mismatch)";
    const uint32_t bodyLength = GetU32(data + attrEnd);
    if (size - attrEnd - kBodyLengthSize != bodyLength)
        return size - attrEnd - kBodyLengthSize < bodyLength ? "file ends inside the body"
                                                             : "file has bytes after the body";
    err = DecodeAttributes(data + kHeaderSize, h.attrLength, out);
    if (!err.empty()) return err;
    if (body) body->assign(data + attrEnd + kBodyLengthSize, data + size);
    if (header) *header = h;
    return {};
}

}  // namespace docfmt
