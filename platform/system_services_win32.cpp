#include "system_services_win32.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

namespace {

constexpr DWORD kNotNormal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN
                             | FILE_ATTRIBUTE_SYSTEM;

std::string failure(const std::string &what, const std::string &path, DWORD error)
{
    return what + " \"" + path + "\" (system error " + std::to_string(error) + ")";
}

// A zero byte would cut the path short where the system reads it, and a name cannot hold
// wildcards or quotes: such a path names no file and is not handed on.
bool namesOneFile(const std::string &path)
{
    return !path.empty() && path.find_first_of(std::string_view("\0*?\"", 4)) == std::string::npos;
}

// The system starts a batch file through its command interpreter even when it is named as
// the program itself; the system ignores trailing dots and spaces of a name, so they do not
// hide the extension.
bool isBatchFile(const std::string &path)
{
    std::string name = path.substr(0, path.find_last_not_of(". ") + 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name.ends_with(".bat") || name.ends_with(".cmd");
}

} // namespace

Win32Services::Win32Services(std::string title) : m_title(std::move(title)) {}

bool Win32Services::findNormalFile(const std::string &path)
{
    if (!namesOneFile(path))
        throw ServiceError("cannot search for \"" + path + "\"");

    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return false;
        throw ServiceError(failure("cannot search for", path, error));
    }
    FindClose(search);
    return (found.dwFileAttributes & kNotNormal) == 0;
}

void Win32Services::startProgram(const std::string &path)
{
    if (!namesOneFile(path) || isBatchFile(path))
        throw ServiceError("cannot start \"" + path + "\"");

    // The new program sees its own path, quoted, as its command line and no arguments. The
    // system may write into the command line, so it gets a copy of its own.
    const std::string quoted = '"' + path + '"';
    std::vector<char> commandLine(quoted.begin(), quoted.end());
    commandLine.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started))
        throw ServiceError(failure("cannot start", path, GetLastError()));
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
}

void Win32Services::showMessage(const std::string &text)
{
    MessageBoxA(nullptr, text.c_str(), m_title.c_str(), MB_OK | MB_TASKMODAL);
}

void Win32Services::beep()
{
    MessageBeep(MB_OK);
}

} // namespace platform
