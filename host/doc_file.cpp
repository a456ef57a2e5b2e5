// Documents on the host file system: loading the attribute part and replacing it
// through a temporary file and a rename, so readers see the old or the new file,
// never half of one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>

#include "host/doc_format.h"
#include "platform/beneath.h"
#include "platform/copy_file.h"
#include "platform/unique_fd.h"

namespace docfmt {
namespace {

using platform::UniqueFd;

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

// Reads exactly `size` bytes at `offset`; false on an error or a short file.
[[nodiscard]] bool ReadAt(int fd, uint8_t* buf, size_t size, off_t offset) {
    while (size > 0) {
        ssize_t n = ::pread(fd, buf, size, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buf += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

[[nodiscard]] bool WriteAll(int fd, const uint8_t* buf, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, buf, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        buf += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The valid document behind an open descriptor: its header, attributes and
// where its body lies.
struct OpenDocument {
    Header header;
    uint32_t bodyLength = 0;
    off_t bodyOffset = 0;
    mode_t mode = 0;
    uid_t uid = 0;
    gid_t gid = 0;
};

[[nodiscard]] std::string ReadDocument(int fd, DemAttr* attr, OpenDocument* doc) {
    struct stat st;
    if (::fstat(fd, &st) != 0) return Errno("cannot read the file");
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    uint8_t head[kHeaderSize];
    if (static_cast<uint64_t>(st.st_size) < kHeaderSize || !ReadAt(fd, head, kHeaderSize, 0))
        return "file is shorter than a document header";
    Header h;
    std::string err = DecodeHeader(head, kHeaderSize, &h);
    if (!err.empty()) return err;
    const uint64_t attrEnd = kHeaderSize + static_cast<uint64_t>(h.attrLength);
    if (static_cast<uint64_t>(st.st_size) < attrEnd + kBodyLengthSize) return "file ends inside the attribute part";
    std::vector<uint8_t> part(h.attrLength + kBodyLengthSize);
    if (!ReadAt(fd, part.data(), part.size(), kHeaderSize)) return "file ends inside the attribute part";
    if (Crc32(part.data(), h.attrLength) != h.attrCrc) return "attribute part is damaged (checksum mismatch)";
    const uint8_t* b = part.data() + h.attrLength;
    const uint32_t bodyLength = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                                (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    const uint64_t expected = attrEnd + kBodyLengthSize + bodyLength;
    if (static_cast<uint64_t>(st.st_size) != expected)
        return static_cast<uint64_t>(st.st_size) < expected ? "file ends inside the body"
                                                            : "file has bytes after the body";
    err = DecodeAttributes(part.data(), h.attrLength, attr);
    if (!err.empty()) return err;
    doc->header = h;
    doc->bodyLength = bodyLength;
    doc->bodyOffset = static_cast<off_t>(attrEnd + kBodyLengthSize);
    doc->mode = st.st_mode & 07777;
    doc->uid = st.st_uid;
    doc->gid = st.st_gid;
    return {};
}

// Writes a new file beside `hostPath` with `fill`, gives it `mode`, flushes it and
// renames it over `hostPath`, through the platform's safe replacement. On any
// failure the temporary file is removed and `hostPath` is left as it was.
[[nodiscard]] std::string ReplaceViaTemp(const std::string& hostPath, mode_t mode,
                                         const std::function<bool(int fd)>& fill) {
    std::string tmp;
    int fd = platform::CreateTempBeside(hostPath, &tmp);
    if (fd < 0) return Errno("cannot create a temporary file beside " + hostPath);
    if (!fill(fd) || ::fchmod(fd, mode) != 0) {
        std::string err = Errno("cannot write the new file");
        platform::DiscardTemp(fd, tmp);
        return err;
    }
    int rc = platform::CommitTemp(fd, tmp, hostPath, false);
    if (rc != 0) {
        errno = rc;
        return Errno("cannot replace " + hostPath);
    }
    return {};
}

}  // namespace

std::string LoadFile(const std::string& hostPath, DemAttr* out, Header* header, uint32_t* bodyLength) {
    // No link below the drive root is followed, and no FIFO or device is opened.
    struct stat st;
    UniqueFd fd(platform::OpenRegularFile(hostPath, &st));
    if (!fd.Valid()) return Errno("cannot open the document");
    OpenDocument doc;
    std::string err = ReadDocument(fd.Get(), out, &doc);
    if (!err.empty()) return err;
    if (header) *header = doc.header;
    if (bodyLength) *bodyLength = doc.bodyLength;
    return {};
}

std::string RewriteAttributes(const std::string& hostPath, const DemAttr& attr) {
    struct stat lst;
    if (::lstat(hostPath.c_str(), &lst) != 0) return Errno("cannot find the document");
    // Renaming over a link would replace the link, not the document it names.
    if (S_ISLNK(lst.st_mode)) return "the document is a symbolic link";
    if (!S_ISREG(lst.st_mode)) return "not a regular file";
    // A read-only document is not written, as Windows refuses to write one.
    if ((lst.st_mode & 0222) == 0) return "the document is read-only";
    UniqueFd old(platform::OpenRegularFile(hostPath, &lst));
    if (!old.Valid()) return Errno("cannot open the document");
    auto current = std::make_unique<DemAttr>();
    OpenDocument doc;
    std::string err = ReadDocument(old.Get(), current.get(), &doc);
    if (!err.empty()) return err;

    const std::vector<uint8_t> attrs = EncodeAttributes(attr);
    Header h = doc.header;
    h.attrLength = static_cast<uint32_t>(attrs.size());
    h.attrCrc = Crc32(attrs.data(), attrs.size());
    std::vector<uint8_t> head = EncodeHeader(h);
    head.insert(head.end(), attrs.begin(), attrs.end());
    for (int i = 0; i < 4; ++i) head.push_back(static_cast<uint8_t>(doc.bodyLength >> (8 * i)));

    const int oldFd = old.Get();
    err = ReplaceViaTemp(hostPath, doc.mode, [&](int fd) {
        if (!WriteAll(fd, head.data(), head.size())) return false;
        std::vector<uint8_t> buf(128 * 1024);
        uint64_t left = doc.bodyLength;
        off_t offset = doc.bodyOffset;
        while (left > 0) {
            const size_t n = left < buf.size() ? static_cast<size_t>(left) : buf.size();
            errno = 0;
            if (!ReadAt(oldFd, buf.data(), n, offset)) {
                if (errno == 0) errno = EIO;  // the document shrank under us
                return false;
            }
            if (!WriteAll(fd, buf.data(), n)) return false;
            left -= n;
            offset += static_cast<off_t>(n);
        }
        // Keep the owner where allowed; a failure here changes nothing of the data.
        (void)!::fchown(fd, doc.uid, doc.gid);
        return true;
    });
    return err;
}

std::string WriteFileAtomically(const std::string& hostPath, const std::vector<uint8_t>& bytes) {
    struct stat st;
    mode_t mode = 0644;
    if (::stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
    return ReplaceViaTemp(hostPath, mode, [&](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); });
}

}  // namespace docfmt
