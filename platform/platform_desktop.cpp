#include "platform.h"

#include "desktop_services.h"
#include "registry_file.h"

namespace platform {

Platform makePlatform(const std::string &title)
{
    return {std::make_unique<RegistryFile>(), std::make_unique<DesktopServices>(title)};
}

} // namespace platform
