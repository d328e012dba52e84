#pragma once

#include "system_services.h"

#include <string>

namespace platform {

// The system services on Windows: FindFirstFileA, CreateProcessA, MessageBoxA, MessageBeep.
class Win32Services : public SystemServices
{
public:
    // The title every message box carries: the application's title.
    explicit Win32Services(std::string title);

    // A search for exactly the file named: a path with wildcards or a zero byte in it cannot
    // be searched and throws.
    bool findNormalFile(const std::string &path) override;

    // The path is the program itself (lpApplicationName): never split at spaces, never handed
    // to a command interpreter, so batch files are refused. The new program gets no arguments,
    // a normal, focused window, and is not waited for.
    void startProgram(const std::string &path) override;

    void showMessage(const std::string &text) override;
    void beep() override;

private:
    std::string m_title;
};

} // namespace platform
