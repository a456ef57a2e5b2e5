// The file and folder names that differ between the deliverables; the values live
// in resources/ and are handed down to the logic.
#pragma once

struct ProductFiles {
    const char* catalogueFile;  // "JDTKANRI.JYO"
    const char* indexFile;      // "JKNDT.INI"
    const char* externalRoot;   // "PARC_JDT"
    const char* docTempName;    // "Quillmark.Tmp"
};
