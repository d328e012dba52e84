// A stand-in System Information tool: it writes the command line it was given into a marker
// beside itself, named after itself with ".started" appended, and ends. It has no window.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string marker = std::string(self, length) + ".started";
    const std::string commandLine = GetCommandLineA();
    const HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, commandLine.data(), static_cast<DWORD>(commandLine.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
