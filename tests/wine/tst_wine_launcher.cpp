// The launcher and the Windows platform layer against a real registry, file system and
// process start, run under Wine by run_wine_tests.sh. The script has imported its registry
// file into HKEY_LOCAL_MACHINE and laid out the fixture folder given as the one argument
// (by default "C:\Tavrin Wine"): "Tool Dir\MSINFO32.EXE", "Shared Tools\MSINFO32.EXE" and
// the decoys "C:\Tavrin.exe" and "Tool.exe" that an unquoted command line would start
// instead. The routes of StartSysInfo rewrite its two fixed keys between runs through the
// registry calls themselves. Only the message box is a recording fake.
#include "registry_win32.h"
#include "sys_info.h"
#include "system_services_win32.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

using platform::RegAccess;
using platform::RegHandle;
using platform::RegRoot;
using platform::RegStatus;
using platform::RegType;
namespace reg = platform::reg;

namespace {

int g_passed = 0;
int g_failed = 0;
int g_skipped = 0;
std::string g_case;

void check(bool ok, const char *what, int line, const std::string &detail = {})
{
    if (ok) {
        ++g_passed;
        return;
    }
    ++g_failed;
    std::printf("FAIL %s: %s (line %d)%s%s\n", g_case.c_str(), what, line,
                detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stdout);
}

#define CHECK(cond) check((cond), #cond, __LINE__)

template<typename T>
long long num(T value)
{
    return static_cast<long long>(value);
}

std::string printable(const std::string &text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\0')
            out += "\\0";
        else
            out += c;
    }
    return out;
}

std::string printable(long long number)
{
    return std::to_string(number);
}

// Each side is evaluated once: some are calls whose second answer would differ.
template<typename T>
void checkEqual(const T &actual, const T &expected, const char *what, int line)
{
    check(actual == expected, what, line,
          "got \"" + printable(actual) + "\", expected \"" + printable(expected) + "\"");
}

#define CHECK_EQ(actual, expected) checkEqual((actual), (expected), #actual " == " #expected, __LINE__)

void note(const std::string &text)
{
    std::printf("NOTE %s: %s\n", g_case.c_str(), text.c_str());
    std::fflush(stdout);
}

// A case the system cannot set up is reported and counted, never passed.
void skip(const std::string &why)
{
    ++g_skipped;
    std::printf("SKIP %s: %s\n", g_case.c_str(), why.c_str());
    std::fflush(stdout);
}

// The real registry, with a record of every open and close: which keys were asked for with
// which rights, and which opened handles are still open.
class RecordingRegistry : public platform::Registry
{
public:
    RegStatus openKey(RegRoot root, const std::string &subKey, std::uint32_t options,
                      RegAccess access, RegHandle *handle) override
    {
        keysAsked.push_back(subKey);
        accesses.push_back(access);
        const RegStatus status = m_real.openKey(root, subKey, options, access, handle);
        if (status == reg::kSuccess) {
            ++opens;
            if (!openHandles.insert(*handle).second)
                ++strayCalls;
        }
        return status;
    }

    RegStatus queryValue(RegHandle handle, const std::string &valueName, RegType *type,
                         std::uint8_t *data, std::uint32_t *size) override
    {
        if (openHandles.count(handle) == 0)
            ++strayCalls;
        return m_real.queryValue(handle, valueName, type, data, size);
    }

    RegStatus closeKey(RegHandle handle) override
    {
        ++closes;
        if (openHandles.erase(handle) == 0)
            ++strayCalls;
        return m_real.closeKey(handle);
    }

    std::vector<std::string> keysAsked;
    std::vector<RegAccess> accesses;
    std::set<RegHandle> openHandles;
    int opens = 0;
    int closes = 0;
    int strayCalls = 0; // a query or close of a handle that is not open

private:
    platform::Win32Registry m_real;
};

// The real file search and program start, recorded; the message box only recorded.
class RecordingServices : public platform::SystemServices
{
public:
    bool findNormalFile(const std::string &path) override
    {
        searches.push_back(path);
        return m_real.findNormalFile(path);
    }

    void startProgram(const std::string &path) override
    {
        startsTried.push_back(path);
        m_real.startProgram(path);
        started.push_back(path);
    }

    void showMessage(const std::string &text) override { messages.push_back(text); }
    void beep() override { m_real.beep(); }

    std::vector<std::string> searches;
    std::vector<std::string> startsTried;
    std::vector<std::string> started;
    std::vector<std::string> messages;

private:
    platform::Win32Services m_real{"Tavrin"};
};

// The fixture ----------------------------------------------------------------------------

const char *const kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char *const kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char *const kValuesKey = "SOFTWARE\\Tavrin Wine Test";
const char *const kUnavailable = "System Information Is Unavailable At This Time";

std::string g_root; // the fixture folder

std::string toolPath() { return g_root + "\\Tool Dir\\MSINFO32.EXE"; }
std::string sharedFolder() { return g_root + "\\Shared Tools"; }
std::string sharedTool() { return sharedFolder() + "\\MSINFO32.EXE"; }
std::string markerOf(const std::string &program) { return program + ".started"; }

bool exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string readFile(const std::string &path)
{
    std::string text;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

// A started program runs on its own: give it a few seconds to leave its marker.
bool waitForFile(const std::string &path, DWORD milliseconds = 10000)
{
    for (DWORD waited = 0; waited < milliseconds; waited += 50) {
        if (exists(path) && !readFile(path).empty())
            return true;
        Sleep(50);
    }
    return exists(path);
}

void writeFile(const std::string &path, const std::string &text)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }
}

// Wine keeps the hidden and system attributes in extended attributes of the file, which
// not every file system holds.
bool setAttributes(const std::string &path, DWORD attributes)
{
    SetFileAttributesA(path.c_str(), attributes);
    const DWORD got = GetFileAttributesA(path.c_str());
    return got != INVALID_FILE_ATTRIBUTES && (got & attributes) == attributes;
}

// Test set-up writes the registry directly, not through the code under test.
bool setValue(const char *key, const char *name, DWORD type, const std::string &data)
{
    HKEY opened = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                        nullptr)
        != ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegSetValueExA(opened, name, 0, type,
                                          reinterpret_cast<const BYTE *>(data.data()),
                                          static_cast<DWORD>(data.size()));
    RegCloseKey(opened);
    return status == ERROR_SUCCESS;
}

// RegSetValueExA counts in a terminator the caller left out when the byte after the data
// is zero; a byte that is not zero there keeps the string unterminated.
bool setUnterminated(const char *key, const char *name, const std::string &text)
{
    const std::string withGuard = text + 'X';
    HKEY opened = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened,
                        nullptr)
        != ERROR_SUCCESS)
        return false;
    const LSTATUS status = RegSetValueExA(opened, name, 0, REG_SZ,
                                          reinterpret_cast<const BYTE *>(withGuard.data()),
                                          static_cast<DWORD>(text.size()));
    RegCloseKey(opened);
    return status == ERROR_SUCCESS;
}

bool setString(const char *key, const char *name, const std::string &text)
{
    return setValue(key, name, REG_SZ, text + '\0');
}

void deleteValue(const char *key, const char *name)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, &opened) == ERROR_SUCCESS) {
        RegDeleteValueA(opened, name);
        RegCloseKey(opened);
    }
}

void deleteKey(const char *key)
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
}

// The system's handle table, SystemExtendedHandleInformation of NtQuerySystemInformation:
// GetProcessHandleCount answers nothing useful under Wine, while this table lists every
// kernel handle, registry keys and the handles of a started process included.
struct HandleEntry
{
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};

struct HandleTable
{
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI *)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kExtendedHandleInformation = 64;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

// Handles this process holds; -1 where the system does not tell.
long long handleCount()
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const FARPROC proc = ntdll ? GetProcAddress(ntdll, "NtQuerySystemInformation") : nullptr;
    if (proc == nullptr)
        return -1;
    const auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void (*)()>(proc));
    std::vector<ULONG_PTR> buffer(1 << 16);
    LONG status = 0;
    ULONG needed = 0;
    while ((status = query(kExtendedHandleInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR)), &needed))
           == kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const auto *table = reinterpret_cast<const HandleTable *>(buffer.data());
    long long count = 0;
    for (ULONG_PTR i = 0; i < table->count; ++i) {
        if (table->entries[i].processId == GetCurrentProcessId())
            ++count;
    }
    return count;
}

// Whether the count sees a handle come and go, a registry key among them.
bool handleCountWorks()
{
    const long long before = handleCount();
    const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key);
    const long long during = handleCount();
    CloseHandle(event);
    RegCloseKey(key);
    return before >= 0 && during == before + 2 && handleCount() == before;
}

// GetKeyValue: the byte rules against values the real registry holds --------------------

struct Read
{
    bool ok = false;
    bool threw = false;
    std::string text;
};

Read readValue(RecordingRegistry &registry, const std::string &key, const std::string &value,
               const std::string &entryText = "held")
{
    Read read;
    read.text = entryText;
    try {
        read.ok = sysinfo::GetKeyValue(registry, reg::kLocalMachine, key, value, read.text);
    } catch (const sysinfo::EmptyValueError &) {
        read.threw = true;
    }
    return read;
}

// The answer of the real RegQueryValueExA, to show that a fixture has the size it claims.
std::uint32_t rawSize(const char *key, const char *value, LSTATUS *status)
{
    HKEY opened = nullptr;
    *status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened);
    if (*status != ERROR_SUCCESS)
        return 0;
    BYTE buffer[1024] = {};
    DWORD size = sizeof buffer;
    *status = RegQueryValueExA(opened, value, nullptr, nullptr, buffer, &size);
    RegCloseKey(opened);
    return size;
}

void testGetKeyValue()
{
    g_case = "GetKeyValue";
    RecordingRegistry registry;
    const auto read = [&](const std::string &value, const std::string &entry = "held") {
        return readValue(registry, kValuesKey, value, entry);
    };

    Read r = read("Path With Spaces");
    CHECK(r.ok);
    CHECK_EQ(r.text, g_root + "\\Tool Dir\\MSINFO32.EXE");

    // One terminating zero is dropped, so with and without it the text is the same; of two
    // zeros one stays.
    // Text comes in the system's ANSI code page, converted from what the registry holds.
    {
        const std::wstring wide = L"caf\u00e9 \u00bd";
        HKEY opened = nullptr;
        CHECK(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tavrin Wine Test", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &opened, nullptr)
              == ERROR_SUCCESS);
        RegSetValueExW(opened, L"Ansi", 0, REG_SZ, reinterpret_cast<const BYTE *>(wide.c_str()),
                       static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(opened);
        char ansi[64] = {};
        const int length = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, ansi, sizeof ansi,
                                               nullptr, nullptr);
        note("ANSI code page " + std::to_string(GetACP()));
        r = read("Ansi");
        CHECK(r.ok);
        CHECK(length > 1);
        CHECK_EQ(r.text, std::string(ansi, static_cast<std::size_t>(length > 0 ? length - 1 : 0)));
    }

    // What regedit made of strings written without their terminator.
    LSTATUS status = 0;
    for (const char *value : {"No Terminator", "Len1024 No Terminator"}) {
        const std::uint32_t size = rawSize(kValuesKey, value, &status);
        note(std::string("imported \"") + value + "\" answers status " + std::to_string(status)
             + ", " + std::to_string(size) + " bytes");
    }
    CHECK(setUnterminated(kValuesKey, "No Terminator", "AB"));
    CHECK(setUnterminated(kValuesKey, "Len1024 No Terminator", std::string(1024, 'a')));

    r = read("With Terminator");
    CHECK(r.ok);
    CHECK_EQ(r.text, std::string("AB"));
    CHECK_EQ(num(rawSize(kValuesKey, "No Terminator", &status)), 2LL);
    r = read("No Terminator");
    CHECK(r.ok);
    CHECK_EQ(r.text, std::string("AB"));
    r = read("Two Terminators");
    CHECK(r.ok);
    CHECK_EQ(r.text, std::string("AB", 3));
    r = read("Empty String", "held");
    CHECK(r.ok);
    CHECK_EQ(r.text, std::string());

    // The buffer holds 1024 bytes: an answer of exactly 1024 is read whole, 1025 is a failure.
    CHECK_EQ(num(rawSize(kValuesKey, "Len1024", &status)), 1024LL);
    CHECK_EQ(num(status), num(ERROR_SUCCESS));
    r = read("Len1024");
    CHECK(r.ok);
    CHECK_EQ(r.text, std::string(1023, 'a'));
    CHECK_EQ(num(rawSize(kValuesKey, "Len1024 No Terminator", &status)),
             1024LL);
    r = read("Len1024 No Terminator");
    CHECK(r.ok);
    CHECK_EQ(r.text, std::string(1024, 'a'));
    rawSize(kValuesKey, "Len1025", &status);
    CHECK_EQ(num(status), num(ERROR_MORE_DATA));
    r = read("Len1025");
    CHECK(!r.ok);
    CHECK_EQ(r.text, std::string());

    // Data of no bytes at all is an error raised to the caller, with the key closed.
    CHECK_EQ(num(rawSize(kValuesKey, "Empty", &status)), 0LL);
    CHECK_EQ(num(status), num(ERROR_SUCCESS));
    r = read("Empty");
    CHECK(r.threw);

    // REG_DWORD: the bytes from the last to the first as "&h" hexadecimal, a last zero byte
    // (the number's highest) dropped.
    r = read("Dword", "");
    CHECK(r.ok);
    CHECK_EQ(r.text, std::string("&h12345678"));
    r = read("Dword Small", "");
    CHECK(r.ok);
    CHECK_EQ(r.text, std::string("&hABCDEF"));
    r = read("Dword Top Bit", "");
    CHECK(r.ok);
    CHECK_EQ(r.text, std::string("&h80000000"));

    // Other types count as read and leave the text held on entry.
    for (const char *value : {"Expand", "Binary", "Multi"}) {
        r = read(value, "held");
        CHECK(r.ok);
        CHECK_EQ(r.text, std::string("held"));
    }

    // Failures empty the text.
    r = read("No Such Value", "held");
    CHECK(!r.ok);
    CHECK_EQ(r.text, std::string());
    r = readValue(registry, "SOFTWARE\\Tavrin Wine Test\\No Such Key", "PATH", "held");
    CHECK(!r.ok);
    CHECK_EQ(r.text, std::string());

    // Key and value names match without regard to case.
    r = readValue(registry, "software\\TAVRIN wine test", "PATH WITH SPACES");
    CHECK(r.ok);
    CHECK_EQ(r.text, toolPath());

    // Every key opened was opened for reading only and closed exactly once.
    CHECK(registry.opens > 0);
    CHECK_EQ(num(registry.closes), num(registry.opens));
    CHECK(registry.openHandles.empty());
    CHECK_EQ(num(registry.strayCalls), 0LL);
    for (const RegAccess access : registry.accesses)
        CHECK_EQ(num(access), num(reg::kRead));
}

// The Windows registry layer itself -------------------------------------------------------

void testRegistryLayer()
{
    g_case = "Win32Registry";
    platform::Win32Registry registry;
    RegHandle handle = 0;
    CHECK_EQ(num(registry.openKey(0x12345u, kValuesKey, 0, reg::kRead, &handle)),
             6LL);
    CHECK_EQ(num(handle), 0LL);
    CHECK_EQ(num(
                 registry.openKey(reg::kLocalMachine, "SOFTWARE\\No Such Key", 0, reg::kRead,
                                  &handle)),
             num(reg::kNotFound));
    CHECK_EQ(num(
                 registry.openKey(reg::kLocalMachine, kValuesKey, 0, reg::kRead, &handle)),
             num(reg::kSuccess));
    CHECK(handle != 0);
    RegType type = 0;
    std::uint8_t data[8] = {};
    std::uint32_t size = 8;
    CHECK_EQ(num(registry.queryValue(handle, "Dword", &type, data, &size)),
             num(reg::kSuccess));
    CHECK_EQ(num(type), num(reg::kDword));
    CHECK_EQ(num(size), 4LL);
    size = 2;
    CHECK_EQ(num(
                 registry.queryValue(handle, "Path With Spaces", &type, data, &size)),
             num(reg::kMoreData));
    CHECK_EQ(num(size), num(toolPath().size() + 1));
    CHECK_EQ(num(registry.closeKey(handle)),
             num(reg::kSuccess));

    // The mask of the original design asks for the right to change the key as well.
    const RegStatus fullOpen = registry.openKey(reg::kLocalMachine, kValuesKey, 0, 0x2003Fu, &handle);
    note("an open asking 0x2003F under HKEY_LOCAL_MACHINE answers " + std::to_string(fullOpen)
         + (fullOpen == reg::kSuccess ? " (this process may write there)" : ""));
    if (fullOpen == reg::kSuccess)
        registry.closeKey(handle);
}

// The Windows file search and program start -----------------------------------------------

void testServices(bool countHandles)
{
    g_case = "Win32Services";
    platform::Win32Services services("Tavrin");
    const std::string odd = g_root + "\\Odd";
    CreateDirectoryA(odd.c_str(), nullptr);

    CHECK(services.findNormalFile(sharedTool()));
    CHECK(services.findNormalFile(toolPath()));
    CHECK(!services.findNormalFile(sharedFolder() + "\\NOSUCH.EXE"));
    CHECK(!services.findNormalFile(g_root + "\\No Such Folder\\MSINFO32.EXE"));
    CHECK(!services.findNormalFile(sharedFolder())); // a folder

    const auto checkCopyWith = [&](const char *name, DWORD attributes, bool normal) {
        const std::string path = odd + "\\" + name;
        CopyFileA(sharedTool().c_str(), path.c_str(), FALSE);
        if (!setAttributes(path, attributes))
            skip(std::string("the file system does not keep the attributes of ") + name);
        else
            check(services.findNormalFile(path) == normal, name, __LINE__);
    };
    checkCopyWith("HIDDEN.EXE", FILE_ATTRIBUTE_HIDDEN, false);
    checkCopyWith("SYSTEM.EXE", FILE_ATTRIBUTE_SYSTEM, false);
    checkCopyWith("READONLY.EXE", FILE_ATTRIBUTE_READONLY, true);

    const auto throws = [](const std::function<void()> &call) {
        try {
            call();
        } catch (const platform::ServiceError &) {
            return true;
        }
        return false;
    };
    // Wildcards would search for some other file than the one named.
    CHECK(throws([&] { services.findNormalFile(sharedFolder() + "\\*.EXE"); }));
    CHECK(throws([&] { services.findNormalFile(sharedFolder() + "\\MSINFO3?.EXE"); }));
    CHECK(throws([&] { services.findNormalFile(sharedTool() + std::string(1, '\0') + "x"); }));
    CHECK(throws([&] { services.findNormalFile(""); }));

    CHECK(throws([&] { services.startProgram(g_root + "\\No Such Folder\\MSINFO32.EXE"); }));
    CHECK(throws([&] { services.startProgram(sharedFolder()); }));
    CHECK(throws([&] { services.startProgram(""); }));
    CHECK(throws([&] { services.startProgram(sharedTool() + std::string(1, '\0')); }));

    // A batch file would run through the command interpreter: refused, and nothing runs.
    const std::string batch = odd + "\\start tool.bat";
    const std::string batchMarker = odd + "\\batch ran.txt";
    writeFile(batch, "@echo ran> \"" + batchMarker + "\"\r\n");
    CHECK(throws([&] { services.startProgram(batch); }));
    CHECK(throws([&] { services.startProgram(odd + "\\start tool.BAT. "); }));
    CHECK(throws([&] { services.startProgram(odd + "\\start tool.cmd"); }));
    Sleep(500);
    CHECK(!exists(batchMarker));

    if (!countHandles) {
        skip("this system does not list a process's handles; leaks are not checked");
        return;
    }
    // Every key is closed, and so are the new process's two handles. (Under Wine a search
    // holds no kernel handle, so FindClose cannot be seen here.)
    const long long before = handleCount();
    for (int i = 0; i < 5; ++i) {
        services.findNormalFile(sharedTool());
        services.findNormalFile(sharedFolder());
        RecordingRegistry registry;
        readValue(registry, kValuesKey, "Path With Spaces");
        readValue(registry, kValuesKey, "Empty");
        readValue(registry, kValuesKey, "Len1025");
        readValue(registry, kValuesKey, "No Such Value");
    }
    CHECK_EQ(handleCount(), before);
    const std::string marker = markerOf(sharedTool());
    DeleteFileA(marker.c_str());
    services.startProgram(sharedTool());
    CHECK(waitForFile(marker));
    CHECK_EQ(handleCount(), before);
}

// StartSysInfo: every route, through the real calls ---------------------------------------

struct Route
{
    const char *name;
    std::function<bool()> setUp; // false where the system cannot hold the case
    std::string expectedStart; // empty: the message is expected
    std::vector<std::string> expectedKeys;
};

void clearMarkers()
{
    for (const std::string &program :
         {toolPath(), sharedTool(), std::string("C:\\Tavrin.exe"), g_root + "\\Tool.exe"})
        DeleteFileA(markerOf(program).c_str());
}

void runRoute(const Route &route)
{
    g_case = std::string("StartSysInfo: ") + route.name;
    clearMarkers();
    if (!route.setUp()) {
        skip("cannot be set up on this system");
        return;
    }

    RecordingRegistry registry;
    RecordingServices services;
    sysinfo::StartSysInfo(registry, services);

    // Exactly one start or exactly one message, never both and never neither.
    CHECK_EQ(num(services.started.size() + services.messages.size()), 1LL);
    if (route.expectedStart.empty()) {
        CHECK(services.started.empty());
        CHECK_EQ(num(services.messages.size()), 1LL);
        if (!services.messages.empty())
            CHECK_EQ(services.messages.front(), std::string(kUnavailable));
    } else {
        CHECK(services.messages.empty());
        CHECK_EQ(num(services.started.size()), 1LL);
        if (!services.started.empty())
            CHECK_EQ(services.started.front(), route.expectedStart);
        // Exactly that file ran, with its own quoted path as the whole command line.
        const std::string marker = markerOf(route.expectedStart);
        CHECK(waitForFile(marker));
        CHECK_EQ(readFile(marker), '"' + route.expectedStart + '"');
    }
    // Neither decoy that a command line split at its spaces would start has run.
    CHECK(!exists(markerOf("C:\\Tavrin.exe")));
    CHECK(!exists(markerOf(g_root + "\\Tool.exe")));

    // Which keys were read, each for reading only and closed again.
    check(registry.keysAsked == route.expectedKeys, "keys read in order", __LINE__,
          std::to_string(registry.keysAsked.size()) + " keys asked");
    CHECK_EQ(num(registry.closes), num(registry.opens));
    CHECK(registry.openHandles.empty());
    CHECK_EQ(num(registry.strayCalls), 0LL);
    for (const RegAccess access : registry.accesses)
        CHECK_EQ(num(access), num(reg::kRead));
}

void testStartSysInfo(bool countHandles)
{
    const std::vector<std::string> firstOnly = {kToolKey};
    const std::vector<std::string> both = {kToolKey, kFolderKey};
    const auto setPath = [](DWORD type, const std::string &data) {
        return [type, data] {
            CHECK(setValue(kToolKey, "PATH", type, data));
            return true;
        };
    };
    const auto inFolder = [](const std::string &path) {
        deleteValue(kToolKey, "PATH");
        CHECK(setString(kFolderKey, "MSINFO", path));
    };
    const auto folder = [inFolder](const std::string &path) {
        return [inFolder, path] {
            inFolder(path);
            return true;
        };
    };
    const std::string odd = g_root + "\\Odd";
    const std::string emptyFolder = g_root + "\\Empty Folder";
    CreateDirectoryA(emptyFolder.c_str(), nullptr);
    // A folder whose MSINFO32.EXE is a folder, or a file with the given attributes.
    const auto oddFolder = [odd, inFolder](const char *name, DWORD attributes) {
        return [odd, inFolder, name, attributes] {
            const std::string dir = odd + "\\" + name;
            CreateDirectoryA(dir.c_str(), nullptr);
            const std::string file = dir + "\\MSINFO32.EXE";
            inFolder(dir);
            if (attributes == FILE_ATTRIBUTE_DIRECTORY)
                return CreateDirectoryA(file.c_str(), nullptr) != FALSE;
            CopyFileA(sharedTool().c_str(), file.c_str(), FALSE);
            return setAttributes(file, attributes);
        };
    };

    // The routes run in this order: each sets up what it needs, and those that rewrite only
    // "PATH" rely on "MSINFO" still naming the folder that holds the tool.
    const std::vector<Route> routes = {
        // As imported: "PATH" names the tool in a folder with a space, behind two decoys.
        {"PATH names the tool", [] { return true; }, toolPath(), firstOnly},
        {"PATH stored without terminator",
         [] {
             CHECK(setUnterminated(kToolKey, "PATH", toolPath()));
             return true;
         },
         toolPath(), firstOnly},
        {"PATH names a missing program; the folder is not tried",
         setPath(REG_SZ, g_root + "\\Missing\\MSINFO32.EXE" + '\0'), "", firstOnly},
        {"PATH names a folder", setPath(REG_SZ, sharedFolder() + '\0'), "", firstOnly},
        {"PATH names a batch file", setPath(REG_SZ, odd + "\\start tool.bat" + '\0'), "",
         firstOnly},
        {"PATH with empty data; the folder is not tried", setPath(REG_SZ, ""), "", firstOnly},
        {"PATH of REG_EXPAND_SZ starts the empty path",
         setPath(REG_EXPAND_SZ, sharedTool() + '\0'), "", firstOnly},
        {"PATH of REG_BINARY starts the empty path", setPath(REG_BINARY, sharedTool()), "",
         firstOnly},
        {"PATH of REG_DWORD starts its numeral", setPath(REG_DWORD, std::string("\1\0\0\0", 4)),
         "", firstOnly},
        {"PATH longer than the buffer; the folder holds the tool",
         setPath(REG_SZ, sharedTool() + std::string(1100, ' ') + '\0'), sharedTool(), both},
        {"PATH missing; the folder holds the tool", folder(sharedFolder()), sharedTool(), both},
        {"no MSINFO key at all; the folder holds the tool",
         [inFolder] {
             deleteKey(kToolKey);
             inFolder(sharedFolder());
             return true;
         },
         sharedTool(), both},
        {"PATH missing; the folder ends in a separator", folder(sharedFolder() + "\\"),
         sharedFolder() + "\\\\MSINFO32.EXE", both},
        {"PATH missing; the folder lacks the tool", folder(emptyFolder), "", both},
        {"PATH missing; the folder does not exist", folder(g_root + "\\No Such Folder"), "",
         both},
        {"PATH missing; MSINFO32.EXE there is a folder",
         oddFolder("Folder Named", FILE_ATTRIBUTE_DIRECTORY), "", both},
        {"PATH missing; MSINFO32.EXE there is hidden", oddFolder("Hidden", FILE_ATTRIBUTE_HIDDEN),
         "", both},
        {"PATH missing; MSINFO32.EXE there is a system file",
         oddFolder("System", FILE_ATTRIBUTE_SYSTEM), "", both},
        {"PATH missing; the folder holds wildcards", folder(g_root + "\\Shared*"), "", both},
        {"PATH missing; MSINFO with empty data",
         [] {
             deleteValue(kToolKey, "PATH");
             CHECK(setValue(kFolderKey, "MSINFO", REG_SZ, ""));
             return true;
         },
         "", both},
        {"PATH and MSINFO missing",
         [] {
             deleteValue(kToolKey, "PATH");
             deleteValue(kFolderKey, "MSINFO");
             return true;
         },
         "", both},
        {"neither key exists",
         [] {
             deleteKey(kToolKey);
             deleteKey(kFolderKey);
             return true;
         },
         "", both},
    };
    const long long before = handleCount();
    for (const Route &route : routes)
        runRoute(route);
    g_case = "StartSysInfo";
    if (countHandles)
        CHECK_EQ(handleCount(), before);
}

} // namespace

int main(int argc, char **argv)
{
    g_root = argc > 1 ? argv[1] : "C:\\Tavrin Wine";
    if (!exists(toolPath()) || !exists(sharedTool())) {
        std::printf("FAIL: the fixture is missing under %s\n", g_root.c_str());
        return 2;
    }
    const bool countHandles = handleCountWorks();

    testGetKeyValue();
    testRegistryLayer();
    testServices(countHandles);
    testStartSysInfo(countHandles);

    if (g_skipped > 0)
        std::printf("%d cases skipped\n", g_skipped);
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
