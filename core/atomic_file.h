#pragma once

#include "core/error.h"

#include <filesystem>
#include <span>
#include <string_view>

namespace clickwisp {

// Writes content to path through a temporary file in the same folder and a
// rename, so a failed write leaves any existing file untouched. A symbolic
// link is followed: its target is replaced and the link stays. A read-only
// file is not replaced; a replaced file keeps its permissions. The error
// names the file and the reason.
Result<void> WriteFileAtomically(const std::filesystem::path& path, std::string_view content);
// The same with the content in pieces, written one after the other (a
// header and a large array need not be copied into one).
Result<void> WriteFileAtomically(const std::filesystem::path& path, std::span<const std::string_view> pieces);

// Whether files can be made in folder.
bool IsWritableFolder(const std::filesystem::path& folder);

} // namespace clickwisp
