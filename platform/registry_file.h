#pragma once

#include "reg_file_parser.h"
#include "registry.h"

#include <QString>

#include <functional>
#include <map>
#include <memory>

namespace platform {

// A read-only registry for systems without one of their own, fed by a registry export file:
// tavrin/registry.reg in the user's configuration folder ($XDG_CONFIG_HOME), or else in the
// folders of $XDG_CONFIG_DIRS; the first folder that holds one decides. The file is read again
// at every open, so an edit counts from the next open on. A file that cannot be used (not a
// regular file, unreadable, larger than kMaxFileSize, or without the header) lets no key be
// opened. Only where there is no file at all does the registry name the first
// system-information program found on the executable search path (kinfocenter, hardinfo,
// lshw-gtk, then the system monitors gnome-system-monitor, mate-system-monitor,
// xfce4-taskmanager) as the value "PATH" of "SOFTWARE\Microsoft\Shared Tools\MSINFO", and holds
// nothing else.
//
// It answers as RegOpenKeyExA, RegQueryValueExA and RegCloseKey do: an open that asks for any
// right to change the key is refused with reg::kAccessDenied; string data comes converted
// from UTF-16LE to UTF-8, its size and the caller's buffer counted in converted bytes; each
// handle is valid from its open to its close.
class RegistryFile : public Registry
{
public:
    // Finds a program by name on the executable search path; empty when there is none.
    using ExecutableFinder = std::function<QString(const QString &name)>;

    static constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

    explicit RegistryFile(ExecutableFinder findExecutable = {});
    ~RegistryFile() override;

    RegStatus openKey(RegRoot root, const std::string &subKey, std::uint32_t options,
                      RegAccess access, RegHandle *handle) override;
    RegStatus queryValue(RegHandle handle, const std::string &valueName, RegType *type,
                         std::uint8_t *data, std::uint32_t *size) override;
    RegStatus closeKey(RegHandle handle) override;

private:
    struct OpenKey
    {
        std::shared_ptr<const RegFileModel> contents; // as the file was at the open
        const RegFileModel::Values *values; // null where the key holds none
    };

    // The file's contents, the built-in ones where there is no file, null where it is unusable.
    std::shared_ptr<const RegFileModel> readContents() const;
    std::shared_ptr<const RegFileModel> builtInContents() const;

    ExecutableFinder m_findExecutable;
    std::map<RegHandle, OpenKey> m_openKeys;
    RegHandle m_nextHandle;
};

} // namespace platform
