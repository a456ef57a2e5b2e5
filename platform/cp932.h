// Code page 932 text: conversion to and from UTF-8 (glibc iconv "CP932") and the
// lead-byte table. Never use "SHIFT_JIS": it turns 0x5C into a yen sign.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// True for the lead bytes of code page 932: 0x81-0x9F and 0xE0-0xFC.
inline bool IsCp932LeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// CP932 bytes to UTF-8. Undecodable bytes become U+FFFD; *ok (if given) says
// whether every byte decoded.
std::string Cp932ToUtf8(std::string_view cp932, bool* ok = nullptr);

// UTF-8 to CP932 bytes. Characters that CP932 cannot hold become '?', as Windows
// writes them; *ok (if given) says whether everything converted exactly.
std::string Utf8ToCp932(std::string_view utf8, bool* ok = nullptr);

// UTF-16LE bytes (no byte order mark) to UTF-8 and back, through iconv. An
// unpaired surrogate or undecodable UTF-8 becomes U+FFFD, an odd last byte is
// dropped; *ok (if given) says whether everything converted exactly.
std::string Utf16LeToUtf8(std::string_view utf16, bool* ok = nullptr);
std::string Utf8ToUtf16Le(std::string_view utf8, bool* ok = nullptr);

// Length in bytes of the longest prefix of `cp932` that is at most `maxBytes`
// long and does not end between a lead byte and its trail byte.
size_t Cp932SafeCut(std::string_view cp932, size_t maxBytes);

}  // namespace platform
