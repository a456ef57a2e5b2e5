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

// "1.5 MB", "640 KB", "12 バイト" (CP932).
std::string SizeText(uint64_t bytes);
// The index file of a folder could not take the flags of a complete save.
std::string IndexWriteError(const std::string& indexPath);
// What a transfer did: "保存しました" or "再登録しました" with data sets, files,
// bytes, seconds and the maintenance folder; with `cancelled`, what a stopped one kept.
std::string Outcome(bool save, bool cancelled, int dataSets, uint64_t files, uint64_t bytes, double seconds,
                    const std::string& folder);

}  // namespace transfer_texts
