#pragma once

// Who may use the remote control's pipe on Windows: the user who runs the
// program, known by the SID of the process's token. Not built on Linux.
#include "core/error.h"

#include <windows.h>

#include <string>
#include <vector>

namespace clickwisp {

// A security identifier, copied into memory of its own.
class Sid {
public:
    Sid() = default;
    explicit Sid(PSID sid);
    PSID get() const { return const_cast<BYTE*>(m_bytes.data()); }
    bool empty() const { return m_bytes.empty(); }
    // "S-1-5-21-...".
    std::string text() const;
    friend bool operator==(const Sid& a, const Sid& b) { return a.m_bytes == b.m_bytes; }

private:
    std::vector<BYTE> m_bytes;
};

// The user of this process's token.
Result<Sid> CurrentUserSid();

// The owner of the object behind handle (opened with READ_CONTROL).
Result<Sid> OwnerOf(HANDLE handle);

// A security descriptor whose owner is user and whose DACL has one entry:
// user may read and write. Nobody else, not even SYSTEM or the
// administrators, is given any access.
class UserOnlySecurity {
public:
    explicit UserOnlySecurity(const Sid& user);
    UserOnlySecurity(const UserOnlySecurity&) = delete;
    UserOnlySecurity& operator=(const UserOnlySecurity&) = delete;
    // Null when the descriptor could not be made (out of memory).
    SECURITY_ATTRIBUTES* attributes() { return m_ready ? &m_attributes : nullptr; }

private:
    Sid m_user;
    std::vector<BYTE> m_acl;
    SECURITY_DESCRIPTOR m_descriptor {};
    SECURITY_ATTRIBUTES m_attributes {};
    bool m_ready = false;
};

} // namespace clickwisp
