// Making the folders above a file that is about to be written.
#pragma once

// Makes every folder above the file named by `filePath` (a CP932 Windows path),
// from the top down. False when the path's drive root ("X:\") does not exist,
// else true once each folder has been asked for, whether or not it could be made:
// a folder that cannot be made shows up as a failing write of the file.
// Double-byte characters are never split, so a trail byte 0x5C (表, ソ) is not a
// separator.
[[nodiscard]] bool CreateFolderPath(const char* filePath);
