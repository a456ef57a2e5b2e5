#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>

#include "platform/cp932_walk.h"
#include "platform/win32.h"

namespace platform {
namespace {

// One converter per direction and thread: iconv descriptors carry shift state
// and must not be shared between threads.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool Valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);  // reset state
        return m_cd;
    }

private:
    iconv_t m_cd;
};

Converter& ToUtf8() {
    static thread_local Converter c("UTF-8", "CP932");
    return c;
}
Converter& FromUtf8() {
    static thread_local Converter c("CP932", "UTF-8");
    return c;
}
Converter& Utf16ToUtf8() {
    static thread_local Converter c("UTF-8", "UTF-16LE");
    return c;
}
Converter& Utf8ToUtf16() {
    static thread_local Converter c("UTF-16LE", "UTF-8");
    return c;
}

bool IsAscii(std::string_view s) {
    for (char ch : s)
        if (static_cast<unsigned char>(ch) >= 0x80) return false;
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Windows maps five single bytes that glibc's table leaves out (0x80, 0xA0,
// 0xFD-0xFF) to U+0080 and private-use code points; keep them round-tripping.
char32_t WindowsOnlyByte(unsigned char b) {
    switch (b) {
    case 0x80: return 0x0080;
    case 0xA0: return 0xF8F0;
    case 0xFD: return 0xF8F1;
    case 0xFE: return 0xF8F2;
    case 0xFF: return 0xF8F3;
    default: return 0;
    }
}

int WindowsOnlyCodePoint(char32_t cp) {
    switch (cp) {
    case 0x0080: return 0x80;
    case 0xF8F0: return 0xA0;
    case 0xF8F1: return 0xFD;
    case 0xF8F2: return 0xFE;
    case 0xF8F3: return 0xFF;
    default: return -1;
    }
}

bool IsTrailByte(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }

// Length of the UTF-8 sequence at s[0] and its code point; 0 when malformed.
size_t DecodeUtf8(std::string_view s, char32_t* cp) {
    unsigned char c = static_cast<unsigned char>(s[0]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || len > s.size()) return 0;
    char32_t v = len == 1 ? c : len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    for (size_t i = 1; i < len; ++i) {
        unsigned char t = static_cast<unsigned char>(s[i]);
        if ((t & 0xC0) != 0x80) return 0;
        v = (v << 6) | (t & 0x3F);
    }
    *cp = v;
    return len;
}

// Runs iconv over the whole input; on a character it cannot take, asks
// `onError` how many input bytes to skip and what to write instead.
template <typename OnError>
std::string Convert(Converter& conv, std::string_view in, OnError onError, bool* ok) {
    std::string out;
    if (ok) *ok = true;
    if (!conv.Valid()) {
        if (ok) *ok = false;
        return out;
    }
    iconv_t cd = conv.Get();
    out.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t used = 0;
    while (srcLeft > 0) {
        char* dst = out.data() + used;
        size_t dstLeft = out.size() - used;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL (truncated sequence at the end).
        std::string replacement;
        size_t skip = onError(std::string_view(src, srcLeft), &replacement, ok);
        if (skip == 0 || skip > srcLeft) skip = srcLeft;
        out.resize(used);
        out += replacement;
        used = out.size();
        out.resize(used + srcLeft * 2 + 16);
        src += skip;
        srcLeft -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return out;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932, bool* ok) {
    if (IsAscii(cp932)) {
        if (ok) *ok = true;
        return std::string(cp932);
    }
    return Convert(
        ToUtf8(), cp932,
        [](std::string_view rest, std::string* rep, bool* good) -> size_t {
            unsigned char b = static_cast<unsigned char>(rest[0]);
            if (char32_t cp = WindowsOnlyByte(b)) {
                AppendUtf8(*rep, cp);
                return 1;
            }
            if (good) *good = false;
            AppendUtf8(*rep, 0xFFFD);
            // An unassigned pair is one character; a stray lead byte is one byte.
            if (IsCp932LeadByte(b) && rest.size() >= 2 && IsTrailByte(static_cast<unsigned char>(rest[1]))) return 2;
            return 1;
        },
        ok);
}

std::string Utf8ToCp932(std::string_view utf8, bool* ok) {
    if (IsAscii(utf8)) {
        if (ok) *ok = true;
        return std::string(utf8);
    }
    return Convert(
        FromUtf8(), utf8,
        [](std::string_view rest, std::string* rep, bool* good) -> size_t {
            char32_t cp = 0;
            size_t len = DecodeUtf8(rest, &cp);
            if (len != 0) {
                int b = WindowsOnlyCodePoint(cp);
                if (b >= 0) {
                    *rep = std::string(1, static_cast<char>(b));
                    return len;
                }
            }
            if (good) *good = false;
            *rep = "?";
            return len == 0 ? 1 : len;
        },
        ok);
}

std::string Utf16LeToUtf8(std::string_view utf16, bool* ok) {
    return Convert(
        Utf16ToUtf8(), utf16,
        [](std::string_view rest, std::string* rep, bool* good) -> size_t {
            if (good) *good = false;
            // An odd byte at the end is dropped; an unpaired surrogate reads as U+FFFD.
            if (rest.size() < 2) return rest.size();
            AppendUtf8(*rep, 0xFFFD);
            return 2;
        },
        ok);
}

std::string Utf8ToUtf16Le(std::string_view utf8, bool* ok) {
    return Convert(
        Utf8ToUtf16(), utf8,
        [](std::string_view rest, std::string* rep, bool* good) -> size_t {
            if (good) *good = false;
            char32_t cp = 0;
            const size_t len = DecodeUtf8(rest, &cp);
            *rep = "\xFD\xFF";  // U+FFFD
            return len == 0 ? 1 : len;
        },
        ok);
}

size_t Cp932SafeCut(std::string_view cp932, size_t maxBytes) {
    size_t cut = 0;
    ForEachCp932Char(cp932, [&](size_t i, size_t len) {
        if (i + len > maxBytes) return false;
        cut = i + len;
        return true;
    });
    return cut;
}

}  // namespace platform

// The active code page of this system is 932.
BOOL IsDBCSLeadByte(BYTE TestChar) { return platform::IsCp932LeadByte(TestChar) ? TRUE : FALSE; }

BOOL IsDBCSLeadByteEx(UINT CodePage, BYTE TestChar) {
    switch (CodePage) {
    case 0:  // CP_ACP
    case 1:  // CP_OEMCP
    case 2:  // CP_MACCP
    case 3:  // CP_THREAD_ACP
    case 932: return platform::IsCp932LeadByte(TestChar) ? TRUE : FALSE;
    default: return FALSE;  // single-byte and unknown code pages have no lead bytes here
    }
}

int _ismbblead(unsigned int c) { return platform::IsCp932LeadByte(static_cast<unsigned char>(c & 0xFF)) ? 1 : 0; }
