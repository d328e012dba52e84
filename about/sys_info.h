#pragma once

#include "registry.h"
#include "system_services.h"

#include <stdexcept>
#include <string>

// The System Information launcher and its registry reader. Plain C++ over the platform
// interfaces, so that it builds for Windows as well.
namespace sysinfo {

// Raised by GetKeyValue for a value that is present with no data at all.
class EmptyValueError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Reads one registry value as text into KeyVal. True when it was read; false, with KeyVal
// empty, when the key could not be opened or the value not read. Throws EmptyValueError for
// a value with empty data. Every key it opens is closed before it returns.
bool GetKeyValue(platform::Registry &registry, const platform::RegRoot &KeyRoot,
                 const std::string &KeyName, const std::string &SubKeyRef, std::string &KeyVal);

// Finds the System Information tool through the registry and starts it, or shows the one
// message "System Information Is Unavailable At This Time": exactly one of the two. An error
// of the reader, the file search or the program start never passes on to the caller.
void StartSysInfo(platform::Registry &registry, platform::SystemServices &services);

} // namespace sysinfo
