// What only a real registry and a real process start show, run under Wine by
// run_wine_tests.sh: the 1,024-byte edge through RegQueryValueExA, the tool started as the
// application itself with its quoted path as the command line, no handle left open, and a
// batch file refused. The one argument is a folder holding MSINFO32.EXE (msinfo32_marker).
#include "registry_win32.h"
#include "sys_info.h"
#include "system_services_win32.h"

#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

int g_failed = 0;
#define CHECK(cond) \
    ((cond) ? void() : (++g_failed, void(std::printf("FAIL line %d: %s\n", __LINE__, #cond))))

const char *const kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char *const kTestKey = "SOFTWARE\\Tavrin Wine Test";

// The real search and start; the message box only counted, as nobody is there to close it.
struct Services : platform::Win32Services
{
    Services() : Win32Services("Tavrin") {}
    void showMessage(const std::string &) override { ++messages; }
    int messages = 0;
};

void setString(const char *key, const char *name, const std::string &text)
{
    HKEY opened = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr);
    RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(opened);
}

std::string readFile(const std::string &path)
{
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// How many handles this process holds, counted in the system's table of every open handle
// (Wine answers GetProcessHandleCount with none): a key, process or thread left open adds one.
ULONG openHandles()
{
    std::vector<char> table(1 << 22);
    if (NtQuerySystemInformation(SystemHandleInformation, table.data(), ULONG(table.size()), nullptr))
        return 0;
    const auto &info = *reinterpret_cast<const SYSTEM_HANDLE_INFORMATION *>(table.data());
    return ULONG(std::count_if(info.Handle, info.Handle + info.Count,
                               [](const SYSTEM_HANDLE_ENTRY &entry) { return entry.OwnerPid == GetCurrentProcessId(); }));
}

// Starts the tool named by "PATH"; true when it ran and left its command line in its marker.
bool startSysInfo(const std::string &tool, Services &services, std::string *commandLine)
{
    const std::string marker = tool + ".started";
    DeleteFileA(marker.c_str());
    setString(kToolKey, "PATH", tool);
    platform::Win32Registry registry;
    sysinfo::StartSysInfo(registry, services);
    // The marker is written in one call and cannot be opened before it is closed.
    for (int waited = 0; waited < 20000; waited += 50) {
        if (!(*commandLine = readFile(marker)).empty())
            return true;
        Sleep(50);
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string folder = argc > 1 ? argv[1] : "C:\\Tavrin Wine";
    platform::Win32Registry registry;

    // 1023 characters and the terminator fill the reader's buffer exactly; one more does not fit.
    setString(kTestKey, "Len1024", std::string(1023, 'a'));
    setString(kTestKey, "Len1025", std::string(1024, 'a'));
    std::string value;
    CHECK(sysinfo::GetKeyValue(registry, 0x80000002u, kTestKey, "Len1024", value));
    CHECK(value == std::string(1023, 'a'));
    CHECK(!sysinfo::GetKeyValue(registry, 0x80000002u, kTestKey, "Len1025", value));
    CHECK(value.empty());

    // The path, spaces and all, is the program itself, and its command line is the path quoted.
    Services services;
    const std::string tool = folder + "\\MSINFO32.EXE";
    std::string commandLine;
    CHECK(startSysInfo(tool, services, &commandLine)); // the first start may set up for later ones
    const ULONG before = openHandles();
    CHECK(startSysInfo(tool, services, &commandLine));
    CHECK(commandLine == '"' + tool + '"');
    CHECK(!sysinfo::GetKeyValue(registry, 0x80000002u, kTestKey, "Len1025", value));
    CHECK(before > 0 && openHandles() == before); // counted; the key, the process and its thread closed
    CHECK(services.messages == 0);

    // As the application itself, the path gets no ".exe" added: nothing starts, the message.
    setString(kToolKey, "PATH", folder + "\\MSINFO32");
    sysinfo::StartSysInfo(registry, services);
    CHECK(services.messages == 1);

    // A batch file would run through the command interpreter: refused, with the message.
    const std::string batch = folder + "\\start tool.bat";
    std::ofstream(batch) << "@echo ran> \"" << batch << ".started\"\r\n";
    setString(kToolKey, "PATH", batch);
    sysinfo::StartSysInfo(registry, services);
    CHECK(services.messages == 2);

    std::printf("%s\n", g_failed == 0 ? "PASS" : "FAILED");
    return g_failed == 0 ? 0 : 1;
}
