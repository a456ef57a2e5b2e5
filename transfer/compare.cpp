#include "transfer/compare.h"

#include <sys/stat.h>
#include <unistd.h>

#include <unordered_set>

#include "platform/beneath.h"
#include "platform/paths.h"
#include "transfer/carry_over.h"
#include "transfer/transfer_texts.h"
#include "transfer/verify.h"

FileState ComparedFile::State() const {
    if (!inFolder) return FileState::OnlySystem;
    if (!inSystem) return FileState::OnlyFolder;
    // A document is never copied over a copy it has: only its groups count.
    const bool differs = contentDiffers || unreadable || (kind == CarryOver::WholeFile && (sizeDiffers || timeDiffers));
    return differs ? FileState::Different : FileState::Same;
}

void ChangeCounts::Count(FileChange change) {
    switch (change) {
    case FileChange::Add: ++add; break;
    case FileChange::ReplaceDiffers: ++replaceDiffers; break;
    case FileChange::ReplaceSame: ++replaceSame; break;
    case FileChange::Leave: ++leave; break;
    case FileChange::Fails: ++fails; break;
    }
}

const char* FileStateName(FileState state) {
    switch (state) {
    case FileState::OnlySystem: return "only_system";
    case FileState::OnlyFolder: return "only_folder";
    case FileState::Same: return "same";
    case FileState::Different: return "different";
    }
    return "";
}

const char* FileChangeName(FileChange change) {
    switch (change) {
    case FileChange::Add: return "add";
    case FileChange::ReplaceDiffers: return "replace_differs";
    case FileChange::ReplaceSame: return "replace_same";
    case FileChange::Leave: return "leave";
    case FileChange::Fails: return "fails";
    }
    return "";
}

const char* AttributeGroupName(unsigned group) {
    switch (group) {
    case kGroupTable265First: return "table265_first";
    case kGroupTable265Second: return "table265_second";
    case kGroupKind1Settings: return "kind1_settings";
    case kGroupTable341: return "table341";
    case kGroupTable269: return "table269";
    default: return "";
    }
}

ChangeCounts& ChangeCounts::operator+=(const ChangeCounts& other) {
    add += other.add;
    replaceDiffers += other.replaceDiffers;
    replaceSame += other.replaceSame;
    leave += other.leave;
    fails += other.fails;
    return *this;
}

namespace {

// One copy of a file, looked at as a transfer opens it: a link below the drive root
// reads as missing.
struct Copy {
    std::string host;
    bool exists = false;
    bool regular = false;
    uint64_t size = 0;
    int64_t time = 0;
};

Copy LookAt(const std::string& winPath) {
    Copy copy;
    const platform::HostPath hp = platform::ResolvePath(winPath);
    if (!hp.ok) return copy;
    copy.host = hp.host;
    struct stat st {};
    if (!platform::StatUnderDrive(hp.host, &st)) return copy;
    copy.exists = true;
    copy.regular = S_ISREG(st.st_mode);
    copy.size = static_cast<uint64_t>(st.st_size);
    copy.time = static_cast<int64_t>(st.st_mtim.tv_sec);
    return copy;
}

bool Hash(const std::string& host, verify::Digest* digest) {
    struct stat st {};
    const int fd = platform::OpenRegularFile(host, &st);
    if (fd < 0) return false;
    const bool ok = verify::HashOpenFile(fd, digest);
    close(fd);
    return ok;
}

// Fills in what differs between the two copies of `file`, both present.
void CompareCopies(ComparedFile& file, const Copy& system, const Copy& folder, const TransferContext& context) {
    file.sizeDiffers = system.size != folder.size;
    const int64_t apart = system.time > folder.time ? system.time - folder.time : folder.time - system.time;
    file.timeDiffers = apart >= kTimeToleranceSeconds;
    if (!system.regular || !folder.regular) {
        file.unreadable = true;
        return;
    }
    if (file.kind != CarryOver::WholeFile) {
        unsigned groups = 0;
        file.unreadable = !context.docInit || !context.files.docTempName ||
                          !CompareAttributeGroups(file.systemPath.c_str(), file.folderPath.c_str(), file.kind,
                                                  *context.docInit, context.files.docTempName, &groups);
        file.groupsDiffer = groups;
        file.contentDiffers = groups != 0;
        return;
    }
    if (file.sizeDiffers) {
        file.contentDiffers = true;  // no need to read them
        return;
    }
    verify::Digest a, b;
    if (!Hash(system.host, &a) || !Hash(folder.host, &b)) {
        file.unreadable = true;
        return;
    }
    file.contentDiffers = !(a == b);
}

// What a transfer from the side `fromFolder` names would do with the file.
FileChange ChangeOf(const ComparedFile& file, bool fromFolder, bool takesPart) {
    const bool source = fromFolder ? file.inFolder : file.inSystem;
    const bool destination = fromFolder ? file.inSystem : file.inFolder;
    if (!takesPart || !source) return FileChange::Leave;
    const bool document = file.kind != CarryOver::WholeFile;
    // A register only carries groups into the system's document: it needs one there.
    if (!destination) return fromFolder && document ? FileChange::Fails : FileChange::Add;
    if (document && file.unreadable) return FileChange::Fails;  // its carry-over cannot load it
    return file.contentDiffers || file.unreadable ? FileChange::ReplaceDiffers : FileChange::ReplaceSame;
}

// The system file a row names, once whatever case a search gave its name: the file
// itself where it exists, else its path as listed.
std::string PairKey(const std::string& systemPath) {
    const platform::HostPath hp = platform::ResolvePath(systemPath);
    struct stat st {};
    if (!hp.ok || !platform::StatUnderDrive(hp.host, &st)) return systemPath;
    return std::to_string(st.st_dev) + ':' + std::to_string(st.st_ino);
}

// Adds the rows of the list built for `direction` to their sets, each system file once.
void AddRows(const TransferList& list, Direction direction, std::vector<ComparedSet>& sets,
             const std::vector<int32_t>& slotOf, std::vector<std::unordered_set<std::string>>& seen) {
    const bool fromFolder = direction == Direction::Register;
    for (uint32_t i = 0; i < list.Count(); ++i) {
        const TransferRow& row = list.Row(i);
        if (row.dataSet < 0 || static_cast<size_t>(row.dataSet) >= slotOf.size()) continue;
        const int32_t slot = slotOf[static_cast<size_t>(row.dataSet)];
        if (slot < 0) continue;
        const std::string& systemPath = fromFolder ? row.destination : row.source;
        if (!seen[static_cast<size_t>(slot)].insert(PairKey(systemPath)).second)
            continue;  // matched by another name of the set, or already listed from the other side
        ComparedSet& set = sets[static_cast<size_t>(slot)];
        ComparedFile& file = set.files.emplace_back();
        file.systemPath = systemPath;
        file.folderPath = fromFolder ? row.source : row.destination;
        file.kind = row.kind;
    }
}

}  // namespace

CompareResult CompareFolder(const TransferContext& context, const std::string& folderName,
                            const std::vector<char>& sets, const std::atomic<bool>* cancel) {
    CompareResult result;
    const std::string folder = folderName.empty() ? transfer_texts::DefaultFolderName() : folderName;
    result.folderPath = context.externalRoot + '\\' + folder;
    const platform::HostPath folderHost = platform::ResolvePath(result.folderPath);
    struct stat st {};
    result.folderExists = folderHost.ok && platform::StatUnderDrive(folderHost.host, &st) && S_ISDIR(st.st_mode);
    if (!context.catalogue || context.dataCount <= 0) return result;

    std::vector<int32_t> slotOf(static_cast<size_t>(context.dataCount), -1);
    for (int32_t e = 0; e < context.dataCount && static_cast<size_t>(e) < sets.size(); ++e) {
        if (!sets[static_cast<size_t>(e)]) continue;
        slotOf[static_cast<size_t>(e)] = static_cast<int32_t>(result.sets.size());
        ComparedSet& set = result.sets.emplace_back();
        set.index = e;
        set.held = context.presence && context.presence[e] != 0;
    }
    std::vector<std::unordered_set<std::string>> seen(result.sets.size());
    // The pairs come from the transfer list itself: the folder's files with where a
    // register writes them, then the system's with where a save writes them.
    TransferEngine engine;
    for (Direction direction : {Direction::Register, Direction::Save}) {
        engine.ListDataSets(direction, context, folder, sets);
        AddRows(engine.List(), direction, result.sets, slotOf, seen);
    }

    for (ComparedSet& set : result.sets) {
        for (ComparedFile& file : set.files) {
            if (cancel && cancel->load()) {
                result.cancelled = true;
                return result;
            }
            const Copy system = LookAt(file.systemPath);
            const Copy inFolder = LookAt(file.folderPath);
            file.inSystem = system.exists;
            file.inFolder = inFolder.exists;
            file.systemSize = system.size;
            file.systemTime = system.time;
            file.folderSize = inFolder.size;
            file.folderTime = inFolder.time;
            if (system.exists && inFolder.exists) CompareCopies(file, system, inFolder, context);
            file.onRegister = ChangeOf(file, true, set.held);
            file.onSave = ChangeOf(file, false, true);
            set.onRegister.Count(file.onRegister);
            set.onSave.Count(file.onSave);
        }
    }
    return result;
}
