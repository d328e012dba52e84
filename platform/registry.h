#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The registry calls the launcher needs, with the semantics of RegOpenKeyExA,
// RegQueryValueExA and RegCloseKey, and the registry's vocabulary: the one place that spells
// its roots, rights, types and statuses. Plain C++: this header also builds for Windows.
namespace platform {

using RegStatus = std::int32_t;
using RegRoot = std::uint32_t;    // a predefined root key, such as HKEY_LOCAL_MACHINE
using RegHandle = std::uintptr_t; // an opened key
using RegAccess = std::uint32_t;
using RegType = std::uint32_t;

namespace reg {
inline constexpr RegStatus kSuccess = 0;           // ERROR_SUCCESS
inline constexpr RegStatus kNotFound = 2;          // ERROR_FILE_NOT_FOUND
inline constexpr RegStatus kAccessDenied = 5;      // ERROR_ACCESS_DENIED
inline constexpr RegStatus kInvalidHandle = 6;     // ERROR_INVALID_HANDLE
inline constexpr RegStatus kInvalidParameter = 87; // ERROR_INVALID_PARAMETER
inline constexpr RegStatus kMoreData = 234;        // ERROR_MORE_DATA

// No key is ever opened under this handle.
inline constexpr RegHandle kNoHandle = 0;

// The predefined roots, by the 32-bit numbers of their handles, and the names a registry
// export file gives them.
struct RootKey
{
    RegRoot root;
    std::string_view name;
};
inline constexpr RegRoot kLocalMachine = 0x80000002u;
inline constexpr std::array<RootKey, 5> kRootKeys{{
    {0x80000000u, "HKEY_CLASSES_ROOT"},
    {0x80000001u, "HKEY_CURRENT_USER"},
    {kLocalMachine, "HKEY_LOCAL_MACHINE"},
    {0x80000003u, "HKEY_USERS"},
    {0x80000005u, "HKEY_CURRENT_CONFIG"},
}};

// Rights asked for when a key is opened.
inline constexpr RegAccess kQueryValue = 0x0001;
inline constexpr RegAccess kSetValue = 0x0002;
inline constexpr RegAccess kCreateSubKey = 0x0004;
inline constexpr RegAccess kEnumerateSubKeys = 0x0008;
inline constexpr RegAccess kNotify = 0x0010;
inline constexpr RegAccess kCreateLink = 0x0020;
inline constexpr RegAccess kDelete = 0x10000;
inline constexpr RegAccess kReadControl = 0x20000;
inline constexpr RegAccess kWriteDac = 0x40000;
inline constexpr RegAccess kWriteOwner = 0x80000;
// KEY_READ: what reading a value needs, and all the launcher asks for.
inline constexpr RegAccess kRead = kReadControl | kQueryValue | kEnumerateSubKeys | kNotify;
// Every right that changes a key, its values, its subkeys or its security.
inline constexpr RegAccess kWriteRights =
    kSetValue | kCreateSubKey | kCreateLink | kDelete | kWriteDac | kWriteOwner;

inline constexpr RegType kNone = 0;
inline constexpr RegType kString = 1;       // REG_SZ
inline constexpr RegType kExpandString = 2; // REG_EXPAND_SZ
inline constexpr RegType kBinary = 3;       // REG_BINARY
inline constexpr RegType kDword = 4;        // REG_DWORD
inline constexpr RegType kMultiString = 7;  // REG_MULTI_SZ

// The types whose data is text: the registry keeps them in UTF-16LE, and the 8-bit calls
// convert them.
constexpr bool isStringType(RegType type)
{
    return type == kString || type == kExpandString || type == kMultiString;
}
} // namespace reg

// Every call reports by its status and never throws.
class Registry
{
public:
    virtual ~Registry() = default;

    // RegOpenKeyExA: on kSuccess *handle is an open key that must be closed.
    virtual RegStatus openKey(RegRoot root, const std::string &subKey, std::uint32_t options,
                              RegAccess access, RegHandle *handle) = 0;

    // RegQueryValueExA: *size holds the buffer's size on entry and the data's size on return.
    // Data larger than the buffer gives kMoreData. String data comes in the system's 8-bit
    // encoding, its terminating zero counted in the size.
    virtual RegStatus queryValue(RegHandle handle, const std::string &valueName, RegType *type,
                                 std::uint8_t *data, std::uint32_t *size) = 0;

    // RegCloseKey.
    virtual RegStatus closeKey(RegHandle handle) = 0;
};

} // namespace platform
