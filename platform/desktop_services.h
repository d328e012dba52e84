#pragma once

#include "system_services.h"

#include <string>

namespace platform {

// The system services on this desktop. Paths are taken as Windows writes them: "\" separates
// folders as "/" does, and a file's name is matched without regard to case (see
// locateNormalFile); the program start resolves its path in the same way, so the file the
// search finds is the file that starts.
class DesktopServices : public SystemServices
{
public:
    // The title every message box carries: the application's title.
    explicit DesktopServices(std::string title);

    bool findNormalFile(const std::string &path) override;

    // The path names the program itself, never a command line: it is not split at spaces and
    // no shell sees it. Throws ServiceError when there is no such normal file, when it may not
    // be executed, or when the system cannot start it.
    void startProgram(const std::string &path) override;

    // A modal QMessageBox over the active window (the About window when its button was
    // pressed), so that closing it gives the focus back there.
    void showMessage(const std::string &text) override;
    void beep() override;

private:
    std::string m_title;
};

} // namespace platform
