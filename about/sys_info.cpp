#include "sys_info.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace sysinfo {

namespace {

using platform::RegHandle;
using platform::Registry;

// The reader's buffer: a value larger than this is not read.
constexpr std::uint32_t kValueBufferSize = 1024;

constexpr const char *kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char *kToolValue = "PATH";
constexpr const char *kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char *kFolderValue = "MSINFO";
constexpr const char *kToolFile = "\\MSINFO32.EXE";
constexpr const char *kUnavailable = "System Information Is Unavailable At This Time";

// Owns one opened key and closes it on every way out of the reader, an exception included.
// The close's status tells nothing the reader could act on, so it is not looked at.
class OpenedKey
{
public:
    OpenedKey(Registry &registry, RegHandle handle) : m_registry(registry), m_handle(handle) {}
    ~OpenedKey() { m_registry.closeKey(m_handle); }
    OpenedKey(const OpenedKey &) = delete;
    OpenedKey &operator=(const OpenedKey &) = delete;

    RegHandle handle() const { return m_handle; }

private:
    Registry &m_registry;
    RegHandle m_handle;
};

// "&h" followed by the bytes from the last to the first, two upper-case hex digits each: the
// number's own digits whatever its width, so nothing can overflow on the way.
std::string hexNumeral(const std::string &entryText, const std::uint8_t *bytes, std::size_t count)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string numeral = "&h" + entryText;
    for (std::size_t i = count; i > 0; --i) {
        const std::uint8_t byte = bytes[i - 1];
        numeral += kDigits[byte >> 4];
        numeral += kDigits[byte & 0x0F];
    }
    return numeral;
}

} // namespace

bool GetKeyValue(Registry &registry, const platform::RegRoot &KeyRoot, const std::string &KeyName,
                 const std::string &SubKeyRef, std::string &KeyVal)
{
    // Read access only: a key under HKEY_LOCAL_MACHINE is readable by every user, while asking
    // for the right to change it as well fails for anyone who may not write there.
    RegHandle handle = platform::reg::kNoHandle;
    if (registry.openKey(KeyRoot, KeyName, 0, platform::reg::kRead, &handle)
        != platform::reg::kSuccess) {
        KeyVal.clear();
        return false;
    }
    const OpenedKey key(registry, handle);

    std::array<std::uint8_t, kValueBufferSize> buffer{};
    std::uint32_t size = kValueBufferSize;
    platform::RegType type = platform::reg::kNone;
    if (registry.queryValue(key.handle(), SubKeyRef, &type, buffer.data(), &size)
            != platform::reg::kSuccess
        || size > buffer.size()) {
        KeyVal.clear();
        return false;
    }
    if (size == 0)
        throw EmptyValueError("the registry value " + SubKeyRef + " holds no data");

    // Only the one last byte is dropped when it is zero: a string stored with its terminator
    // and one stored without read the same, and a second zero stays part of the text.
    std::size_t kept = size;
    if (buffer[kept - 1] == 0)
        --kept;

    switch (type) {
    case platform::reg::kString:
        KeyVal.assign(reinterpret_cast<const char *>(buffer.data()), kept);
        break;
    case platform::reg::kDword:
        KeyVal = hexNumeral(KeyVal, buffer.data(), kept);
        break;
    default:
        break; // the text held on entry stays
    }
    return true;
}

namespace {

// Steps of the launcher up to the start; false where the tool was not found. Errors pass on.
bool findAndStart(Registry &registry, platform::SystemServices &services)
{
    std::string path;
    if (!GetKeyValue(registry, platform::reg::kLocalMachine, kToolKey, kToolValue, path)) {
        if (!GetKeyValue(registry, platform::reg::kLocalMachine, kFolderKey, kFolderValue, path))
            return false;
        if (!services.findNormalFile(path + kToolFile))
            return false;
        path += kToolFile;
    }
    services.startProgram(path);
    return true;
}

} // namespace

void StartSysInfo(Registry &registry, platform::SystemServices &services)
{
    bool started = false;
    try {
        started = findAndStart(registry, services);
    } catch (...) {
        // Whatever went wrong on the way, the user is told the one same thing.
    }
    if (!started)
        services.showMessage(kUnavailable);
}

} // namespace sysinfo
