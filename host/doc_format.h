// The document file format behind DemAttr::Load and DemAttr::Save, on byte
// buffers and on host files. docs/document-format.md describes the layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/dem.h"

namespace docfmt {

inline constexpr unsigned char kMagic[8] = {'D', 'E', 'M', 'D', 'O', 'C', 0x1A, 0x00};
inline constexpr uint16_t kVersion = 1;
inline constexpr size_t kHeaderSize = 20;  // magic, version, flags, attribute length, CRC
inline constexpr size_t kBodyLengthSize = 4;
// Other attributes larger than this are refused, so a damaged length can never
// make a load allocate without bound.
inline constexpr uint32_t kMaxOtherAttributes = 16u * 1024 * 1024;
// Largest attribute part a valid document can have.
size_t MaxAttributePartSize();

// The fixed header of a document.
struct Header {
    uint16_t version = kVersion;
    uint16_t flags = 0;       // kept as found when the attributes are rewritten
    uint32_t attrLength = 0;  // bytes of the attribute part after the header
    uint32_t attrCrc = 0;     // CRC-32 of the attribute part
};

// CRC-32 (IEEE 802.3, as zlib computes it).
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

// Attribute part of `attr`. Counts below 0 are written as 0 and counts above a
// table's capacity as the capacity: there are no entries beyond it.
std::vector<uint8_t> EncodeAttributes(const DemAttr& attr);
// Header bytes for an attribute part.
std::vector<uint8_t> EncodeHeader(const Header& header);
// A whole document: header, attributes, body.
std::vector<uint8_t> EncodeDocument(const DemAttr& attr, const std::vector<uint8_t>& body, uint16_t flags = 0);

// Each decoder returns an empty string on success, else why the bytes are not a
// document. They never read outside [data, data + size) and leave `out`
// untouched on failure.
[[nodiscard]] std::string DecodeHeader(const uint8_t* data, size_t size, Header* out);
// Decodes an attribute part into a fresh attribute object (entries beyond each
// count are zero).
[[nodiscard]] std::string DecodeAttributes(const uint8_t* data, size_t size, DemAttr* out);
// A whole document in memory; `body` may be null.
[[nodiscard]] std::string DecodeDocument(const uint8_t* data, size_t size, DemAttr* out, std::vector<uint8_t>* body,
                                         Header* header = nullptr);

// ---- host files (host paths, UTF-8) ----------------------------------------------

// Loads the attributes of the document file; reads the header and attribute part
// only, and checks that the body length matches the file's size.
[[nodiscard]] std::string LoadFile(const std::string& hostPath, DemAttr* out, Header* header = nullptr,
                                   uint32_t* bodyLength = nullptr);
// Replaces the attribute part of the existing, valid document file, keeping its
// header flags and body byte for byte and its permissions. The new file is written
// beside the old one and renamed over it, so the old file stays whole on failure.
// Fails on a missing, unreadable, read-only or invalid document, and on a path
// whose last part is a symbolic link.
[[nodiscard]] std::string RewriteAttributes(const std::string& hostPath, const DemAttr& attr);
// Writes `bytes` as the file `hostPath` (created or replaced) through a temporary
// file beside it and a rename.
[[nodiscard]] std::string WriteFileAtomically(const std::string& hostPath, const std::vector<uint8_t>& bytes);

}  // namespace docfmt
