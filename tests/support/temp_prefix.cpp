#include "tests/support/temp_prefix.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {
std::string LinkName(const std::string& prefix, char letter) {
    return prefix + "/dosdevices/" + std::string(1, static_cast<char>(std::tolower(letter))) + ":";
}
}  // namespace

std::string MakeTempDir() {
    std::string tmpl = (fs::temp_directory_path() / "stt-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    return tmpl;
}

void RemoveHostTree(const std::string& hostPath) {
    std::error_code ec;
    // Read-only folders left by a test must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(hostPath, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(hostPath, ec);
}

TempPrefix::TempPrefix() {
    m_dir = MakeTempDir();
    if (const char* old = std::getenv("WINEPREFIX")) {
        m_hadOldPrefix = true;
        m_oldPrefix = old;
    }
    fs::create_directories(m_dir + "/dosdevices");
    fs::create_directories(m_dir + "/drive_c/windows");
    fs::create_directory_symlink("../drive_c", LinkName(m_dir, 'c'));
    fs::create_directory_symlink("/", LinkName(m_dir, 'z'));
    WriteSystemReg();
    setenv("WINEPREFIX", m_dir.c_str(), 1);
}

TempPrefix::~TempPrefix() {
    if (m_hadOldPrefix)
        setenv("WINEPREFIX", m_oldPrefix.c_str(), 1);
    else
        unsetenv("WINEPREFIX");
    RemoveHostTree(m_dir);
}

std::string TempPrefix::AddDrive(char letter, const std::string& type) {
    std::string folder = m_dir + "/drive_" + std::string(1, static_cast<char>(std::tolower(letter)));
    fs::create_directories(folder);
    LinkDrive(letter, folder);
    if (!type.empty()) SetDriveType(letter, type);
    return folder;
}

void TempPrefix::LinkDrive(char letter, const std::string& hostTarget) {
    std::error_code ec;
    fs::remove(LinkName(m_dir, letter), ec);
    fs::create_directory_symlink(hostTarget, LinkName(m_dir, letter));
}

void TempPrefix::UnlinkDrive(char letter) {
    std::error_code ec;
    fs::remove(LinkName(m_dir, letter), ec);
}

void TempPrefix::SetDriveType(char letter, const std::string& type) {
    m_types[static_cast<char>(std::tolower(letter))] = type;
    WriteSystemReg();
}

void TempPrefix::WriteSystemReg() {
    std::ostringstream reg;
    reg << "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";
    reg << "[Software\\\\Wine\\\\Drives] 1700000000\n#time=1d9c0000000000\n";
    for (const auto& [letter, type] : m_types) reg << "\"" << letter << ":\"=\"" << type << "\"\n";
    reg << "\n";
    WriteHostFile(m_dir + "/system.reg", reg.str());
}

void WriteHostFile(const std::string& hostPath, std::string_view bytes) {
    fs::create_directories(fs::path(hostPath).parent_path());
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + hostPath);
}

std::string ReadHostFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool HostExists(const std::string& hostPath) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(hostPath, ec));
}

void MakeHostDirs(const std::string& hostPath) { fs::create_directories(hostPath); }
