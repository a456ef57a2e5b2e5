// demdoc: makes and shows documents, for the demo installation and for checks.
//
//   demdoc create FILE [--body TEXT] [--other TEXT] [--fill341 N:SEED] [--fill269 N:SEED]
//                      [--fill265a N:SEED] [--fill265b N:SEED] [--settings A,B,C,D,E]
//   demdoc dump FILE
//
// FILE is a path of this machine (Linux), not a Windows path. "create" writes a new
// document (replacing FILE when it exists, through a temporary file and a rename).
// A fill gives a table N entries; entry i starts with the readable label
// "L<table>-<ii> <SEED>" and a NUL, and the rest of the entry holds bytes computed
// from the table, the index and SEED, so that every entry is recognisable and a
// byte-for-byte comparison means something. "dump" prints the counts, each
// entry's label, the settings, the other attributes and the body.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "host/dem.h"
#include "host/doc_format.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: demdoc create FILE [--body TEXT] [--other TEXT] [--fill341 N:SEED]\n"
                 "                     [--fill269 N:SEED] [--fill265a N:SEED] [--fill265b N:SEED]\n"
                 "                     [--settings A,B,C,D,E]\n"
                 "       demdoc dump FILE\n"
                 "FILE is a path of this machine, not a Windows path.\n");
    return 2;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "demdoc: %s\n", message.c_str());
    return 1;
}

bool ParseInt(const std::string& text, long long lo, long long hi, long long* out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < lo || v > hi) return false;
    *out = v;
    return true;
}

template <size_t N, int C>
bool Fill(DemAttrTable<N, C>& table, const char* name, const std::string& arg, std::string* err) {
    const size_t colon = arg.find(':');
    long long count;
    if (colon == std::string::npos || !ParseInt(arg.substr(0, colon), 0, C, &count)) {
        *err = std::string("--fill") + name + " wants N:SEED with N from 0 to " + std::to_string(C) + ", not \"" + arg +
               "\"";
        return false;
    }
    const std::string seed = arg.substr(colon + 1);
    uint32_t hash = 2166136261u;
    for (char c : std::string(name) + seed) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    table.count = static_cast<int32_t>(count);
    for (int i = 0; i < count; ++i) {
        auto& entry = table.entries[static_cast<size_t>(i)];
        char label[N];
        const int n = std::snprintf(label, sizeof label, "L%s-%02d %s", name, i, seed.c_str());
        const size_t used = std::min(static_cast<size_t>(n), N - 1);
        std::memcpy(entry.data(), label, used);
        entry[used] = 0;
        for (size_t j = used + 1; j < N; ++j)
            entry[j] = static_cast<uint8_t>((hash >> ((j % 4) * 8)) + static_cast<uint32_t>(i) * 7 + j);
    }
    return true;
}

bool ParseSettings(const std::string& text, int32_t out[5], std::string* err) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ',')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    long long v[5];
    if (parts.size() != 5) {
        *err = "--settings wants five integers separated by commas";
        return false;
    }
    for (size_t i = 0; i < 5; ++i) {
        if (!ParseInt(parts[i], INT32_MIN, INT32_MAX, &v[i])) {
            *err = "--settings: \"" + parts[i] + "\" is not a 32-bit integer";
            return false;
        }
    }
    for (int i = 0; i < 5; ++i) out[i] = static_cast<int32_t>(v[i]);
    return true;
}

int Create(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string file = argv[2];
    auto attr = std::make_unique<DemAttr>();
    std::vector<uint8_t> body;
    std::string err;
    for (int i = 3; i < argc; ++i) {
        const std::string opt = argv[i];
        if (i + 1 >= argc) return Fail("option " + opt + " needs a value");
        const std::string value = argv[++i];
        bool ok = true;
        if (opt == "--body")
            body.assign(value.begin(), value.end());
        else if (opt == "--other")
            attr->otherAttributes.assign(value.begin(), value.end());
        else if (opt == "--fill341")
            ok = Fill(attr->table341, "341", value, &err);
        else if (opt == "--fill269")
            ok = Fill(attr->table269, "269", value, &err);
        else if (opt == "--fill265a")
            ok = Fill(attr->table265First, "265a", value, &err);
        else if (opt == "--fill265b")
            ok = Fill(attr->table265Second, "265b", value, &err);
        else if (opt == "--settings")
            ok = ParseSettings(value, attr->kind1Settings, &err);
        else
            return Fail("unknown option " + opt);
        if (!ok) return Fail(err);
    }
    err = docfmt::WriteFileAtomically(file, docfmt::EncodeDocument(*attr, body));
    if (!err.empty()) return Fail(file + ": " + err);
    return 0;
}

// Printable text of the first bytes of an entry: up to its first NUL or 32 bytes.
std::string Label(const uint8_t* entry, size_t size) {
    std::string out;
    for (size_t i = 0; i < size && i < 32 && entry[i] != 0; ++i)
        out += std::isprint(entry[i]) ? static_cast<char>(entry[i]) : '.';
    return out;
}

// Opaque bytes as text: the first 256, control characters shown as '.'.
std::string Text(const std::vector<uint8_t>& bytes) {
    std::string out;
    for (size_t i = 0; i < bytes.size() && i < 256; ++i)
        out += bytes[i] < 0x20 || bytes[i] == 0x7F ? '.' : static_cast<char>(bytes[i]);
    if (bytes.size() > 256) out += "...";
    return out;
}

template <size_t N, int C>
void DumpTable(const char* name, const DemAttrTable<N, C>& table) {
    std::printf("table %s: %d of %d entries of %zu bytes\n", name, table.count, C, N);
    for (int i = 0; i < table.count; ++i)
        std::printf("  [%03d] %s\n", i, Label(table.entries[static_cast<size_t>(i)].data(), N).c_str());
}

int Dump(int argc, char** argv) {
    if (argc != 3) return Usage();
    const std::string file = argv[2];
    std::ifstream in(file, std::ios::binary);
    if (!in) return Fail(file + ": cannot open: " + std::strerror(errno));
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return Fail(file + ": cannot read");
    auto attr = std::make_unique<DemAttr>();
    std::vector<uint8_t> body;
    docfmt::Header header;
    const std::string err = docfmt::DecodeDocument(bytes.data(), bytes.size(), attr.get(), &body, &header);
    if (!err.empty()) return Fail(file + ": " + err);
    std::printf("document %s: version %u, flags %u, %zu bytes\n", file.c_str(), header.version, header.flags,
                bytes.size());
    DumpTable("341", attr->table341);
    DumpTable("269", attr->table269);
    DumpTable("265a", attr->table265First);
    DumpTable("265b", attr->table265Second);
    const int32_t* s = attr->kind1Settings;
    std::printf("settings: %d,%d,%d,%d,%d\n", s[0], s[1], s[2], s[3], s[4]);
    std::printf("other attributes: %zu bytes: %s\n", attr->otherAttributes.size(), Text(attr->otherAttributes).c_str());
    std::printf("body: %zu bytes: %s\n", body.size(), Text(body).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "create") return Create(argc, argv);
    if (command == "dump") return Dump(argc, argv);
    std::fprintf(stderr, "demdoc: unknown command \"%s\"\n", command.c_str());
    return Usage();
}
