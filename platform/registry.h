#pragma once

#include <cstdint>
#include <string>

// The registry calls the launcher needs, with the semantics of RegOpenKeyExA,
// RegQueryValueExA and RegCloseKey. Plain C++: this header also builds for Windows.
namespace platform {

using RegStatus = std::int32_t;
using RegRoot = std::uint32_t;   // a predefined root key, such as HKEY_LOCAL_MACHINE
using RegHandle = std::uintptr_t; // an opened key; 0 is never a valid handle
using RegAccess = std::uint32_t;
using RegType = std::uint32_t;

namespace reg {
inline constexpr RegStatus kSuccess = 0;       // ERROR_SUCCESS
inline constexpr RegStatus kNotFound = 2;      // ERROR_FILE_NOT_FOUND
inline constexpr RegStatus kAccessDenied = 5;  // ERROR_ACCESS_DENIED
inline constexpr RegStatus kInvalidHandle = 6; // ERROR_INVALID_HANDLE
inline constexpr RegStatus kInvalidParameter = 87; // ERROR_INVALID_PARAMETER
inline constexpr RegStatus kMoreData = 234;    // ERROR_MORE_DATA

inline constexpr RegRoot kLocalMachine = 0x80000002u; // HKEY_LOCAL_MACHINE

inline constexpr RegAccess kQueryValue = 0x0001;
inline constexpr RegAccess kSetValue = 0x0002;
inline constexpr RegAccess kCreateSubKey = 0x0004;
inline constexpr RegAccess kEnumerateSubKeys = 0x0008;
inline constexpr RegAccess kNotify = 0x0010;
inline constexpr RegAccess kCreateLink = 0x0020;
inline constexpr RegAccess kReadControl = 0x20000;
inline constexpr RegAccess kRead = 0x20019; // KEY_READ: read control, query, enumerate, notify
// Rights that change a key; a read-only registry refuses any of them.
inline constexpr RegAccess kWriteRights = kSetValue | kCreateSubKey | kCreateLink;

inline constexpr RegType kNone = 0;
inline constexpr RegType kString = 1;         // REG_SZ
inline constexpr RegType kExpandString = 2;   // REG_EXPAND_SZ
inline constexpr RegType kBinary = 3;         // REG_BINARY
inline constexpr RegType kDword = 4;          // REG_DWORD
inline constexpr RegType kMultiString = 7;    // REG_MULTI_SZ
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
