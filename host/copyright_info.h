// What the about box shows: the product's lines in the suite's "Copyright.ini".
#pragma once

#include <string>

struct CopyrightInfo {
    // CP932; at most 255 bytes each, as the about box shows them.
    std::string name, version, copyright1, copyright2;
};

// Reads section `section` of Copyright.ini in the suite's system data root;
// missing keys read as empty.
CopyrightInfo ReadCopyrightInfo(const char* section);
