#include "registry_win32.h"

#include <windows.h>

#include <algorithm>

namespace platform {

namespace {

// The system's predefined key for one of the roots the registry knows, or null for any other
// number. Its handles are the 32-bit numbers sign-extended, as the system's own constants are.
HKEY predefinedRoot(RegRoot root)
{
    const bool known = std::any_of(reg::kRootKeys.begin(), reg::kRootKeys.end(),
                                   [root](const reg::RootKey &key) { return key.root == root; });
    if (!known)
        return nullptr;
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(root)));
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
        return reg::kInvalidHandle;
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
