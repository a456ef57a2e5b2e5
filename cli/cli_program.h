// What the command line needs to know of the deliverable it runs in.
#pragma once

#include "catalogue/product_files.h"

struct CliProgram {
    const char* programName;  // "Quillmark": the command and its settings folder (lower-cased)
    const char* productName;  // "Parcelon"
    ProductFiles files;
};
