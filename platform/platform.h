#pragma once

#include "registry.h"
#include "system_services.h"

#include <memory>
#include <string>

namespace platform {

// What this system provides the program: a registry and the system services. On Windows they
// are the system's own; elsewhere the registry is a read-only stand-in fed by a registry export
// file, and the services are the desktop's. The build picks the one implementation.
struct Platform
{
    std::unique_ptr<Registry> registry;
    std::unique_ptr<SystemServices> services;
};

// title: the application's title, which every message box carries.
Platform makePlatform(const std::string &title);

} // namespace platform
