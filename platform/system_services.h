#pragma once

#include <stdexcept>
#include <string>

// What the program needs of the operating system besides the registry: a file search, a
// program start, a message box and the beep. Plain C++: this header also builds for Windows.
namespace platform {

// Raised by a service that cannot do what it was asked (a path that cannot be searched, a
// program that cannot be started).
class ServiceError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class SystemServices
{
public:
    virtual ~SystemServices() = default;

    // Whether a normal file (not a folder, not hidden, not a system file) exists at the full
    // path. Throws ServiceError for a path that cannot be searched.
    virtual bool findNormalFile(const std::string &path) = 0;

    // Starts the program at the path, with no arguments, without a shell and without waiting
    // for it. Throws ServiceError when it cannot be started.
    virtual void startProgram(const std::string &path) = 0;

    // A modal message with an OK button only and no icon, titled with the application's
    // title. Returns when the user closes it.
    virtual void showMessage(const std::string &text) = 0;

    // The window system's default beep.
    virtual void beep() = 0;
};

} // namespace platform
