// Whether a data set's paths stay inside the roots a transfer puts them under.
#pragma once

#include <string>

#include "catalogue/catalogue_entry.h"

// A data set's path, backup path, folders and names are joined below the system
// data root or the maintenance folder. None may climb out: a ".." component (or
// one of dots and spaces only) or a drive letter or stream (':') in any of them
// takes the data set out of every transfer. Only the used folders and names count.
bool CatalogueEntryStaysInside(const CatalogueEntry& entry);

// The rule for one text (CP932; '\' and '/' separate; 表 (95 5C) is one character).
bool CataloguePathStaysInside(const char* text);

// Appends a catalogue path part (path, backup path, folder: "\USERDATA\LINE",
// or one without its leading separator) to `folder` with exactly one separator
// between them, so that the joined path reads as the user would type it.
void AppendCataloguePart(std::string& folder, const char* part);
