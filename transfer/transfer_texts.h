// Fixed texts of the transfer operations, as code page 932 bytes.
#pragma once

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

}  // namespace transfer_texts
