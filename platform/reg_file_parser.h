#pragma once

#include "registry.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The registry export text format ("Windows Registry Editor Version 5.00" or "REGEDIT4"), read
// into keys and values. Plain C++ without Qt and without any file access: bytes in, model out,
// so that it builds anywhere and can be fed arbitrary input.
namespace platform {

// One value as the registry holds it: strings (types 1, 2 and 7) as UTF-16LE, normally with
// their terminating zero; every other type as the bytes written.
struct RegFileValue
{
    RegType type = reg::kNone;
    std::vector<std::uint8_t> data;

    friend bool operator==(const RegFileValue &, const RegFileValue &) = default;
};

// Keys and their values. A key path starts with its root's name
// ("HKEY_LOCAL_MACHINE\SOFTWARE\..."); names are UTF-8 and match without regard to case, and
// empty parts of a path ("A\\B", a trailing "\") are ignored. Adding a key adds its parents.
class RegFileModel
{
public:
    bool hasKey(std::string_view keyPath) const;
    const RegFileValue *findValue(std::string_view keyPath, std::string_view valueName) const;
    std::size_t keyCount() const { return m_keys.size(); }

    void addKey(std::string_view keyPath);
    void setValue(std::string_view keyPath, std::string_view valueName, RegFileValue value);
    void removeKey(std::string_view keyPath); // with everything below it
    void removeValue(std::string_view keyPath, std::string_view valueName);

private:
    using Values = std::map<std::string, RegFileValue>; // by folded name
    std::map<std::string, Values> m_keys;                // by folded, tidied path
};

// The file's keys and values; nullopt when the bytes do not begin with one of the two headers.
// Accepts UTF-16LE with a byte-order mark and UTF-8 with or without one. A line that cannot be
// parsed is skipped; no input makes it fail in any other way.
std::optional<RegFileModel> parseRegFile(std::string_view bytes);

// UTF-16LE data in the 8-bit encoding (UTF-8), code unit by code unit: zeros stay zeros, a
// surrogate pair becomes one character, an unpaired surrogate U+FFFD, and an odd last byte is
// dropped.
std::string utf16leToUtf8(const std::uint8_t *data, std::size_t size);

// UTF-8 text as UTF-16LE, without a terminator; an invalid byte becomes U+FFFD.
std::vector<std::uint8_t> utf8ToUtf16le(std::string_view text);

// A name in the form in which names are compared: letters of the Latin, Greek and Cyrillic
// alphabets in lower case.
std::string foldName(std::string_view name);

} // namespace platform
