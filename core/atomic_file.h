#pragma once

#include "core/error.h"

#include <filesystem>
#include <string_view>

namespace clickwisp {

// Writes content to path through a temporary file in the same folder and a
// rename, so a failed write leaves any existing file untouched. The error
// names the file and the reason.
Result<void> WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

} // namespace clickwisp
