#include "registry_win32.h"

#include <windows.h>

namespace platform {

namespace {

// ERROR_INVALID_HANDLE: what the system answers for a root that is no key.
constexpr RegStatus kInvalidHandle = 6;

// The predefined roots by their 32-bit numbers. On 64-bit Windows these handles are the
// numbers sign-extended, which the system's own constants already are.
HKEY predefinedRoot(RegRoot root)
{
    switch (root) {
    case 0x80000000u: return HKEY_CLASSES_ROOT;
    case 0x80000001u: return HKEY_CURRENT_USER;
    case 0x80000002u: return HKEY_LOCAL_MACHINE;
    case 0x80000003u: return HKEY_USERS;
    default: return nullptr;
    }
}

HKEY toKey(RegHandle handle)
{
    return reinterpret_cast<HKEY>(handle);
}

} // namespace

RegStatus Win32Registry::openKey(RegRoot root, const std::string &subKey, std::uint32_t options,
                                 RegAccess access, RegHandle *handle)
{
    const HKEY rootKey = predefinedRoot(root);
    if (rootKey == nullptr)
        return kInvalidHandle;
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExA(rootKey, subKey.c_str(), options, access, &opened);
    if (status == ERROR_SUCCESS)
        *handle = reinterpret_cast<RegHandle>(opened);
    return status;
}

RegStatus Win32Registry::queryValue(RegHandle handle, const std::string &valueName, RegType *type,
                                    std::uint8_t *data, std::uint32_t *size)
{
    DWORD valueType = REG_NONE;
    DWORD dataSize = *size;
    const LSTATUS status = RegQueryValueExA(toKey(handle), valueName.c_str(), nullptr,
                                            &valueType, data, &dataSize);
    *type = valueType;
    *size = dataSize;
    return status;
}

RegStatus Win32Registry::closeKey(RegHandle handle)
{
    return RegCloseKey(toKey(handle));
}

} // namespace platform
