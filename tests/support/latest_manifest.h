// The manifest a killed editor or batch run left in a temporary folder: the
// one written before each operation reports done (not the durable one).
#pragma once

#include <filesystem>

#include "engine/doc_manifest.h"

// Reads the first such manifest in the run folders under `temp`; false when
// there is none or it cannot be read.
bool ReadLatestManifest(const std::filesystem::path& temp, DocManifest* manifest);
