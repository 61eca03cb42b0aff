#include "platform/win32/win32_pipe_security.h"

#include "platform/win32/win32_pipe.h"
#include "platform/win32/win32_strings.h"

#include <aclapi.h>
#include <sddl.h>

namespace clickwisp {

namespace {
// What a client needs to send a request, read the reply and the pipe's owner.
constexpr DWORD kPipeUserAccess = FILE_GENERIC_READ | FILE_GENERIC_WRITE;
} // namespace

Sid::Sid(PSID sid)
{
    if (sid && IsValidSid(sid)) {
        const auto* bytes = static_cast<const BYTE*>(sid);
        m_bytes.assign(bytes, bytes + GetLengthSid(sid));
    }
}

std::string Sid::text() const
{
    wchar_t* text = nullptr;
    if (empty() || !ConvertSidToStringSidW(get(), &text))
        return "(unknown)";
    std::string out = Utf8FromWide(text);
    LocalFree(text);
    return out;
}

Result<Sid> CurrentUserSid()
{
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
        return fail("cannot read this program's user: " + SystemErrorText(GetLastError()));
    UniqueHandle token(opened);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return fail("cannot read this program's user: " + SystemErrorText(GetLastError()));
    Sid user(reinterpret_cast<const TOKEN_USER*>(buffer.data())->User.Sid);
    if (user.empty())
        return fail("cannot read this program's user: the token holds no valid SID");
    return user;
}

Result<Sid> OwnerOf(HANDLE handle)
{
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetSecurityInfo(
        handle, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr, &descriptor);
    if (error != ERROR_SUCCESS)
        return fail("cannot read the owner: " + SystemErrorText(error));
    Sid sid(owner);
    LocalFree(descriptor);
    if (sid.empty())
        return fail("cannot read the owner: there is none");
    return sid;
}

UserOnlySecurity::UserOnlySecurity(const Sid& user)
    : m_user(user)
{
    const DWORD aclSize = DWORD(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(m_user.get()));
    m_acl.resize(aclSize);
    auto* acl = reinterpret_cast<ACL*>(m_acl.data());
    // An explicit owner: a token's default owner may be a group (the
    // administrators, for an elevated program), and clients check it.
    m_ready = InitializeAcl(acl, aclSize, ACL_REVISION)
        && AddAccessAllowedAce(acl, ACL_REVISION, kPipeUserAccess, m_user.get())
        && InitializeSecurityDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION)
        && SetSecurityDescriptorOwner(&m_descriptor, m_user.get(), FALSE)
        && SetSecurityDescriptorDacl(&m_descriptor, TRUE, acl, FALSE);
    m_attributes = { sizeof(m_attributes), &m_descriptor, FALSE };
}

} // namespace clickwisp
