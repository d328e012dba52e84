#pragma once

#include "registry.h"

namespace platform {

// The system's own registry, through advapi32's ANSI calls. Handles are the system's key
// handles; roots are the five predefined keys of reg::kRootKeys.
class Win32Registry : public Registry
{
public:
    RegStatus openKey(RegRoot root, const std::string &subKey, std::uint32_t options,
                      RegAccess access, RegHandle *handle) override;
    RegStatus queryValue(RegHandle handle, const std::string &valueName, RegType *type,
                         std::uint8_t *data, std::uint32_t *size) override;
    RegStatus closeKey(RegHandle handle) override;
};

} // namespace platform
