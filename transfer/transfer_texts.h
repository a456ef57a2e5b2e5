// Fixed texts of the transfer operations, as code page 932 bytes.
#pragma once

#include <cstdint>
#include <string>

namespace transfer_texts {

// Maintenance folder used when the folder box is empty.
const std::string& DefaultFolderName();
// Captions of the dialog's boxes.
const std::string& CaptionSave();
const std::string& CaptionRegister();
const std::string& CaptionMaintenance();

const std::string& WriteError();
const std::string& NoFiles();
const std::string& SaveEmptyNameQuestion();
const std::string& RegisterEmptyNameQuestion();

// Texts with a value put in.
std::string InsertDisk(char driveLetter);
std::string BadFolderName(const std::string& name);
std::string ConfirmSave(char driveLetter);
std::string ConfirmRegister(char driveLetter);
// A profile file (index file or catalogue) too large to be read from its drive.
std::string FileTooLarge(const std::string& path);
std::string SpaceShortage(char driveLetter, const std::string& freeText, const std::string& totalText);

// The one display size of the windows and messages (CP932): bytes below 1 KB,
// else KB, MB or GB with one decimal ("12 バイト", "8.6 KB", "1.5 MB"). With
// `unitOf`, in the unit `unitOf` would be shown in, so that "done / total" reads
// alike on both sides ("0.9 KB / 6.0 KB").
std::string SizeText(uint64_t bytes);
std::string SizeText(uint64_t bytes, uint64_t unitOf);
// The index file of a folder could not take the flags of a complete save.
std::string IndexWriteError(const std::string& indexPath);
// The last line of a failed transfer's write error: what it kept. A failed save
// marks nothing as saved; a failed register leaves the files it wrote, and the
// restore point kept before it when there is one.
const std::string& FailureKept(bool save, bool restorePoint);
// What a transfer did: "保存しました" or "再登録しました" with data sets, files,
// bytes, seconds and the maintenance folder; with `cancelled`, what a stopped one kept.
std::string Outcome(bool save, bool cancelled, int dataSets, uint64_t files, uint64_t bytes, double seconds,
                    const std::string& folder);

}  // namespace transfer_texts
