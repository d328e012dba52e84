#pragma once

#include "system_services.h"

namespace platform {

// The system services on this desktop.
class DesktopServices : public SystemServices
{
public:
    bool findNormalFile(const std::string &path) override;
    void startProgram(const std::string &path) override;
    void showMessage(const std::string &text) override;
    void beep() override;
};

} // namespace platform
