// A stand-in System Information tool for the launcher tests. Started with no arguments, it
// leaves a marker next to itself, named after itself with ".started" appended, that holds the
// command line it was given; then it ends. It has no window.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char self[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    const std::string marker = std::string(self, length) + ".started";
    const std::string commandLine = GetCommandLineA();

    const HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, commandLine.data(), static_cast<DWORD>(commandLine.size()),
                              &written, nullptr);
    CloseHandle(file);
    return ok && written == commandLine.size() ? 0 : 1;
}
