#include "registry_file.h"

namespace platform {

RegStatus RegistryFile::openKey(RegRoot, const std::string &, std::uint32_t, RegAccess,
                                RegHandle *)
{
    return reg::kNotFound;
}

RegStatus RegistryFile::queryValue(RegHandle, const std::string &, RegType *, std::uint8_t *,
                                   std::uint32_t *)
{
    return reg::kInvalidParameter;
}

RegStatus RegistryFile::closeKey(RegHandle)
{
    return reg::kSuccess;
}

} // namespace platform
