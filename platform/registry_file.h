#pragma once

#include "registry.h"

namespace platform {

// A read-only registry fed by a registry export file, for systems without a registry of
// their own.
class RegistryFile : public Registry
{
public:
    RegStatus openKey(RegRoot root, const std::string &subKey, std::uint32_t options,
                      RegAccess access, RegHandle *handle) override;
    RegStatus queryValue(RegHandle handle, const std::string &valueName, RegType *type,
                         std::uint8_t *data, std::uint32_t *size) override;
    RegStatus closeKey(RegHandle handle) override;
};

} // namespace platform
