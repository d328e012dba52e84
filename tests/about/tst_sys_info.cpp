// The launcher and its registry reader against a registry and services that record every call.

#include "sys_info.h"

#include <QTest>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <vector>

using namespace platform;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const char *text, std::size_t count)
{
    return Bytes(text, text + count);
}

Bytes filled(std::size_t count, std::uint8_t byte = 'a')
{
    return Bytes(count, byte);
}

// A registry that holds values in memory, answers as RegQueryValueExA does and records every
// open and close, so that a leaked or twice-closed handle shows.
class RecordingRegistry : public Registry
{
public:
    struct Value
    {
        RegType type;
        Bytes data;
    };
    struct Open
    {
        RegRoot root;
        std::string subKey;
        std::uint32_t options;
        RegAccess access;
    };

    void set(const std::string &key, const std::string &name, RegType type, Bytes data)
    {
        m_keys[key][name] = Value{type, std::move(data)};
    }
    void addKey(const std::string &key) { m_keys[key]; }

    RegStatus openKey(RegRoot root, const std::string &subKey, std::uint32_t options,
                      RegAccess access, RegHandle *handle) override
    {
        opens.push_back(Open{root, subKey, options, access});
        if (openStatus)
            return *openStatus;
        if (root != reg::kLocalMachine || !m_keys.count(subKey))
            return reg::kNotFound;
        *handle = m_nextHandle;
        m_nextHandle += 4;
        m_handleKeys[*handle] = subKey;
        openHandles.insert(*handle);
        return reg::kSuccess;
    }

    RegStatus queryValue(RegHandle handle, const std::string &valueName, RegType *type,
                         std::uint8_t *data, std::uint32_t *size) override
    {
        ++queries;
        lastQueryBufferSize = *size;
        lastQueryBufferWasZero = std::all_of(data, data + *size, [](auto b) { return b == 0; });
        if (!openHandles.count(handle))
            return reg::kInvalidHandle;
        if (throwOnQuery)
            throw std::runtime_error("query failed");
        if (queryStatus)
            return *queryStatus;
        const auto &values = m_keys[m_handleKeys[handle]];
        const auto it = values.find(valueName);
        if (it == values.end())
            return reg::kNotFound;
        *type = it->second.type;
        const auto needed = static_cast<std::uint32_t>(it->second.data.size());
        if (needed > *size) {
            *size = needed;
            return reg::kMoreData;
        }
        if (needed > 0)
            std::memcpy(data, it->second.data.data(), needed);
        *size = reportedSize ? *reportedSize : needed;
        return reg::kSuccess;
    }

    RegStatus closeKey(RegHandle handle) override
    {
        ++closes;
        if (!openHandles.erase(handle)) {
            ++badCloses;
            return reg::kInvalidHandle;
        }
        return reg::kSuccess;
    }

    std::vector<Open> opens;
    std::set<RegHandle> openHandles;
    int queries = 0;
    int closes = 0;
    int badCloses = 0;
    std::uint32_t lastQueryBufferSize = 0;
    bool lastQueryBufferWasZero = false;
    std::optional<RegStatus> openStatus;
    std::optional<RegStatus> queryStatus;
    bool throwOnQuery = false;
    std::optional<std::uint32_t> reportedSize; // a registry that lies about what it wrote

private:
    std::map<std::string, std::map<std::string, Value>> m_keys;
    std::map<RegHandle, std::string> m_handleKeys;
    RegHandle m_nextHandle = 0x100;
};

// Services that record what the launcher asked of them; the search finds the listed files.
class RecordingServices : public SystemServices
{
public:
    bool findNormalFile(const std::string &path) override
    {
        searches.push_back(path);
        if (searchThrows)
            throw ServiceError("cannot search");
        return files.count(path) != 0;
    }
    void startProgram(const std::string &path) override
    {
        startAttempts.push_back(path);
        if (path.empty() || startThrows)
            throw ServiceError("cannot start");
        starts.push_back(path);
    }
    void showMessage(const std::string &text) override { messages.push_back(text); }
    void beep() override { ++beeps; }

    std::set<std::string> files;
    bool searchThrows = false;
    bool startThrows = false;
    std::vector<std::string> searches;
    std::vector<std::string> startAttempts;
    std::vector<std::string> starts;
    std::vector<std::string> messages;
    int beeps = 0;
};

const std::string kKey = "SOFTWARE\\Test";
const std::string kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const std::string kUnavailable = "System Information Is Unavailable At This Time";
const RegRoot kRoot = reg::kLocalMachine;

} // namespace

Q_DECLARE_METATYPE(Bytes)
Q_DECLARE_METATYPE(std::string)

class tst_SysInfo : public QObject
{
    Q_OBJECT

private slots:
    void readsValueAsText_data();
    void readsValueAsText();
    void asksReadOnlyWithZeroedBuffer();
    void failures_data();
    void failures();

    void launcherRoutes_data();
    void launcherRoutes();
    void secondPressStartsAgain();
};

void tst_SysInfo::readsValueAsText_data()
{
    QTest::addColumn<RegType>("type");
    QTest::addColumn<Bytes>("data");
    QTest::addColumn<std::string>("entry");
    QTest::addColumn<std::string>("expected");

    const std::string none;
    QTest::newRow("string with terminator")
        << reg::kString << bytesOf("C:\\x.exe", 9) << none << std::string("C:\\x.exe");
    QTest::newRow("string without terminator")
        << reg::kString << bytesOf("C:\\x.exe", 8) << none << std::string("C:\\x.exe");
    QTest::newRow("two zeros keep one")
        << reg::kString << bytesOf("ab\0", 4) << none << std::string("ab\0", 3);
    QTest::newRow("only a zero") << reg::kString << bytesOf("", 1) << none << std::string();
    QTest::newRow("string replaces entry text")
        << reg::kString << bytesOf("new", 4) << std::string("old") << std::string("new");
    QTest::newRow("8-bit text kept byte for byte")
        << reg::kString << bytesOf("C:\\Pr\xC3\xBC" "fen", 11) << none
        << std::string("C:\\Pr\xC3\xBC" "fen");

    Bytes full = filled(1024);
    QTest::newRow("exactly 1024 bytes read whole")
        << reg::kString << full << none << std::string(1024, 'a');
    full.back() = 0;
    QTest::newRow("1024 bytes ending in zero")
        << reg::kString << full << none << std::string(1023, 'a');

    QTest::newRow("dword upper-case digits, two per byte")
        << reg::kDword << Bytes{0x0F, 0xA0, 0x0B, 0xFE} << none << std::string("&hFE0BA00F");
    QTest::newRow("dword with top byte zero loses only that byte")
        << reg::kDword << Bytes{0x01, 0x02, 0x03, 0x00} << none << std::string("&h030201");
    QTest::newRow("dword appends to entry text")
        << reg::kDword << Bytes{0x01, 0x02} << std::string("x") << std::string("&hx0201");
    QTest::newRow("wide dword-typed data has no overflow")
        << reg::kDword << Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9} << none
        << std::string("&h090807060504030201");

    QTest::newRow("binary keeps entry text")
        << reg::kBinary << Bytes{1, 2, 3} << std::string("kept") << std::string("kept");
    QTest::newRow("multi string keeps empty entry text")
        << reg::kMultiString << bytesOf("a\0b\0", 5) << none << none;
}

void tst_SysInfo::readsValueAsText()
{
    QFETCH(RegType, type);
    QFETCH(Bytes, data);
    QFETCH(std::string, entry);
    QFETCH(std::string, expected);

    RecordingRegistry registry;
    registry.set(kKey, "V", type, data);
    std::string keyVal = entry;
    QVERIFY(sysinfo::GetKeyValue(registry, kRoot, kKey, "V", keyVal));
    QCOMPARE(keyVal, expected);
    QCOMPARE(registry.opens.size(), std::size_t(1));
    QCOMPARE(registry.closes, 1);
    QCOMPARE(registry.badCloses, 0);
}

void tst_SysInfo::asksReadOnlyWithZeroedBuffer()
{
    RecordingRegistry registry;
    registry.set(kKey, "V", reg::kString, bytesOf("x", 2));
    std::string keyVal;
    QVERIFY(sysinfo::GetKeyValue(registry, kRoot, kKey, "V", keyVal));
    QCOMPARE(registry.opens.size(), std::size_t(1));
    const auto &open = registry.opens.front();
    QCOMPARE(open.access, RegAccess(0x20019));
    QCOMPARE(open.access & reg::kWriteRights, RegAccess(0));
    QCOMPARE(open.options, std::uint32_t(0));
    QCOMPARE(open.root, RegRoot(0x80000002u));
    QCOMPARE(open.subKey, kKey);
    QCOMPARE(registry.lastQueryBufferSize, std::uint32_t(1024));
    QVERIFY(registry.lastQueryBufferWasZero);
}

// Every way GetKeyValue can fail: false with KeyVal emptied, or an exception; either way a key
// it opened is closed exactly once.
void tst_SysInfo::failures_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("expectedCloses");
    QTest::addColumn<int>("raises"); // 0 none, 1 EmptyValueError, 2 another error
    QTest::newRow("key missing") << 0 << 0 << 0;
    QTest::newRow("open refused") << 1 << 0 << 0;
    QTest::newRow("value missing") << 2 << 1 << 0;
    QTest::newRow("1025 bytes") << 3 << 1 << 0;
    QTest::newRow("query refused") << 4 << 1 << 0;
    QTest::newRow("size reported past the buffer") << 5 << 1 << 0;
    QTest::newRow("empty string raises") << 6 << 1 << 1;
    QTest::newRow("empty dword raises") << 7 << 1 << 1;
    QTest::newRow("empty binary raises") << 8 << 1 << 1;
    QTest::newRow("query that throws") << 9 << 1 << 2;
}

void tst_SysInfo::failures()
{
    QFETCH(int, failure);
    QFETCH(int, expectedCloses);
    QFETCH(int, raises);

    RecordingRegistry registry;
    registry.set(kKey, "V", reg::kString, bytesOf("x", 2));
    std::string key = kKey;
    std::string name = "V";
    switch (failure) {
    case 0: key = "SOFTWARE\\Missing"; break;
    case 1: registry.openStatus = reg::kAccessDenied; break;
    case 2: name = "Missing"; break;
    case 3: registry.set(kKey, "V", reg::kString, filled(1025)); break;
    case 4: registry.queryStatus = reg::kAccessDenied; break;
    case 5: registry.reportedSize = 1025; break;
    case 6: registry.set(kKey, "V", reg::kString, Bytes{}); break;
    case 7: registry.set(kKey, "V", reg::kDword, Bytes{}); break;
    case 8: registry.set(kKey, "V", reg::kBinary, Bytes{}); break;
    case 9: registry.throwOnQuery = true; break;
    }
    std::string keyVal = "entry text";
    if (raises == 1)
        QVERIFY_THROWS_EXCEPTION(sysinfo::EmptyValueError,
                                 sysinfo::GetKeyValue(registry, kRoot, key, name, keyVal));
    else if (raises == 2)
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 sysinfo::GetKeyValue(registry, kRoot, key, name, keyVal));
    else
        QVERIFY(!sysinfo::GetKeyValue(registry, kRoot, key, name, keyVal));
    if (raises == 0)
        QVERIFY(keyVal.empty());
    QCOMPARE(registry.closes, expectedCloses);
    QCOMPARE(registry.badCloses, 0);
    QVERIFY(registry.openHandles.empty());
}

// Each route of the launcher: what the registry and the file system hold, and what must come
// of it: the one program started, or the one message.
void tst_SysInfo::launcherRoutes_data()
{
    QTest::addColumn<int>("route");
    QTest::addColumn<std::string>("started");  // empty: the message instead
    QTest::addColumn<int>("expectedOpens");
    QTest::addColumn<std::string>("searched"); // empty: no search

    const std::string none;
    const std::string folderTool = "C:\\Folder\\MSINFO32.EXE";
    QTest::newRow("PATH value started untested")
        << 0 << std::string("C:\\Tools\\info tool.exe") << 1 << none;
    QTest::newRow("PATH missing, folder holds the tool") << 1 << folderTool << 2 << folderTool;
    QTest::newRow("PATH missing, folder lacks the tool") << 2 << none << 2 << folderTool;
    QTest::newRow("both values missing") << 3 << none << 2 << none;
    QTest::newRow("both keys missing") << 4 << none << 2 << none;
    QTest::newRow("PATH of another type starts nothing") << 5 << none << 1 << none;
    QTest::newRow("PATH start fails, second key unread") << 6 << none << 1 << none;
    QTest::newRow("PATH dword starts its numeral") << 7 << std::string("&h000001") << 1 << none;
    QTest::newRow("folder value of another type reads as empty")
        << 8 << none << 2 << std::string("\\MSINFO32.EXE");
    QTest::newRow("PATH longer than 1024 bytes") << 9 << folderTool << 2 << folderTool;
    QTest::newRow("start from folder fails") << 10 << none << 2 << folderTool;
    QTest::newRow("search fails") << 11 << none << 2 << folderTool;
    // An empty first value raises: the second key is not read even though it would work.
    QTest::newRow("empty PATH") << 12 << none << 1 << none;
    QTest::newRow("empty folder value") << 13 << none << 2 << none;
    QTest::newRow("query throws, open key closed") << 14 << none << 1 << none;
}

void tst_SysInfo::launcherRoutes()
{
    QFETCH(int, route);
    QFETCH(std::string, started);
    QFETCH(int, expectedOpens);
    QFETCH(std::string, searched);

    RecordingRegistry registry;
    RecordingServices services;
    registry.addKey(kToolKey);
    registry.addKey(kFolderKey);
    const auto text = [](const std::string &s) { return bytesOf(s.c_str(), s.size() + 1); };
    // Most routes that reach the folder find the tool there.
    if (route != 3 && route != 4 && route != 8)
        registry.set(kFolderKey, "MSINFO", reg::kString, text("C:\\Folder"));
    services.files.insert(route == 2 ? "C:\\Other\\MSINFO32.EXE" : "C:\\Folder\\MSINFO32.EXE");
    switch (route) {
    case 0: registry.set(kToolKey, "PATH", reg::kString, text("C:\\Tools\\info tool.exe")); break;
    case 4: registry = RecordingRegistry(); break;
    case 5: registry.set(kToolKey, "PATH", reg::kExpandString, text("C:\\x.exe")); break;
    case 6:
        registry.set(kToolKey, "PATH", reg::kString, text("C:\\x.exe"));
        services.startThrows = true;
        break;
    case 7: registry.set(kToolKey, "PATH", reg::kDword, Bytes{1, 0, 0, 0}); break;
    case 8: registry.set(kFolderKey, "MSINFO", reg::kBinary, Bytes{1}); break;
    case 9: registry.set(kToolKey, "PATH", reg::kString, filled(1025)); break;
    case 10: services.startThrows = true; break;
    case 11: services.searchThrows = true; break;
    case 12: registry.set(kToolKey, "PATH", reg::kString, Bytes{}); break;
    case 13: registry.set(kFolderKey, "MSINFO", reg::kString, Bytes{}); break;
    case 14:
        registry.set(kToolKey, "PATH", reg::kString, text("x"));
        registry.throwOnQuery = true;
        break;
    }

    sysinfo::StartSysInfo(registry, services);

    if (started.empty()) {
        QVERIFY(services.starts.empty());
        QCOMPARE(services.messages, std::vector<std::string>{kUnavailable});
    } else {
        QCOMPARE(services.starts, std::vector<std::string>{started});
        QVERIFY(services.messages.empty());
    }
    QCOMPARE(int(registry.opens.size()), expectedOpens);
    QCOMPARE(registry.closes, int(registry.opens.size()) - (route == 4 ? 2 : 0));
    QVERIFY(registry.openHandles.empty());
    QCOMPARE(registry.badCloses, 0);
    QCOMPARE(services.beeps, 0);
    QCOMPARE(services.searches,
             searched.empty() ? std::vector<std::string>{} : std::vector<std::string>{searched});
}

void tst_SysInfo::secondPressStartsAgain()
{
    // After a failed search, a second press starts from the first step again.
    RecordingRegistry registry;
    RecordingServices services;
    registry.set(kFolderKey, "MSINFO", reg::kString, bytesOf("C:\\F", 5));
    services.searchThrows = true;
    sysinfo::StartSysInfo(registry, services);
    QVERIFY(services.startAttempts.empty());
    services.searchThrows = false;
    services.files.insert("C:\\F\\MSINFO32.EXE");
    sysinfo::StartSysInfo(registry, services);
    QCOMPARE(services.starts, std::vector<std::string>{"C:\\F\\MSINFO32.EXE"});
    QCOMPARE(services.messages, std::vector<std::string>{kUnavailable});
}

QTEST_APPLESS_MAIN(tst_SysInfo)
#include "tst_sys_info.moc"
