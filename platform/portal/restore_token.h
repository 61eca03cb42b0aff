#pragma once

#include "core/error.h"

#include <filesystem>
#include <string>

namespace clickwisp {

// The desktop portal's restore token: what lets the next session start
// without the consent dialog (RemoteDesktop version 2, ScreenCast version
// 4). Kept in a file readable by its owner only (mode 0600), replaced
// atomically.
class RestoreTokenFile {
public:
    explicit RestoreTokenFile(std::filesystem::path path)
        : m_path(std::move(path))
    {
    }

    const std::filesystem::path& path() const { return m_path; }
    // The stored token; empty when there is none (or no file is used).
    std::string read() const;
    // Stores token in place of the old one; an empty token removes it. The
    // error names the file.
    Result<void> write(const std::string& token) const;

private:
    std::filesystem::path m_path;
};

} // namespace clickwisp
