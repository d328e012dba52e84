#include "platform.h"

#include "registry_win32.h"
#include "system_services_win32.h"

namespace platform {

Platform makePlatform(const std::string &title)
{
    return {std::make_unique<Win32Registry>(), std::make_unique<Win32Services>(title)};
}

} // namespace platform
