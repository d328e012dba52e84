#include "sys_info.h"

namespace sysinfo {

bool GetKeyValue(platform::Registry &, const platform::RegRoot &, const std::string &,
                 const std::string &, std::string &KeyVal)
{
    KeyVal.clear();
    return false;
}

void StartSysInfo(platform::Registry &, platform::SystemServices &services)
{
    services.showMessage("System Information Is Unavailable At This Time");
}

} // namespace sysinfo
