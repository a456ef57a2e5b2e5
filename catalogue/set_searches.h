// A data set's wildcard searches: each used folder with each used name, below
// the folder the set lies in, folder by folder, as a transfer lists its files.
#pragma once

#include <string>
#include <vector>

#include "catalogue/catalogue_entry.h"

// "<setFolder><folder><name>" for every used folder and name (CP932).
std::vector<std::string> SetSearchPatterns(const CatalogueEntry& entry, const std::string& setFolder);
