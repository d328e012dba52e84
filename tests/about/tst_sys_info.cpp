// The launcher and its registry reader against a registry and services that record every call.

#include "support.h"
#include "sys_info.h"

using namespace platform;
using support::Bytes;

namespace {
// A value, KeyVal on entry, KeyVal after a true result (empty: false), the registry's faults.
struct Read { RegType type; Bytes data; std::string entry, expected;
              std::optional<RegStatus> openStatus = {}, queryStatus = {};
              std::optional<unsigned> size = {}; };
// "PATH" (kNone: none) and "MSINFO" (empty: none), and what must come of them: the program
// started (empty: the message instead), the file searched, the keys opened, services' faults.
struct Route { RegType pathType; Bytes path; std::string folder, started, searched; int opens;
               bool searchThrows = false, startThrows = false; };
const std::string kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::string kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
const RegType sz = reg::kString, dw = reg::kDword, absent = reg::kNone;

// The bytes of a text and the zero bytes after it.
Bytes text(std::string s, std::size_t zeros = 1)
{
    s.append(zeros, '\0');
    return {s.begin(), s.end()};
}
} // namespace
Q_DECLARE_METATYPE(Read)
Q_DECLARE_METATYPE(Route)

class tst_SysInfo : public QObject
{
    Q_OBJECT
private slots:
    void getKeyValue_data()
    {
        QTest::addColumn<Read>("read");
        const std::string a1023(1023, 'a'), a1024(1024, 'a');
        QTest::newRow("1023 bytes") << Read{sz, text(a1023, 0), "", a1023};
        QTest::newRow("1024 bytes whole") << Read{sz, text(a1024, 0), "", a1024};
        QTest::newRow("1025 bytes fail") << Read{sz, text(a1024), "old", ""};
        QTest::newRow("terminated") << Read{sz, text("C:\\x y.exe"), "old", "C:\\x y.exe"};
        QTest::newRow("unterminated") << Read{sz, text("C:\\x", 0), "", "C:\\x"};
        QTest::newRow("two zeros keep one") << Read{sz, text("ab", 2), "", std::string("ab\0", 3)};
        QTest::newRow("dword, last byte first") << Read{dw, {15, 160, 11, 254}, "", "&hFE0BA00F"};
        QTest::newRow("dword top byte zero") << Read{dw, {1, 2, 3, 0}, "", "&h030201"};
        QTest::newRow("dword after entry text") << Read{dw, {1, 2}, "x", "&hx0201"};
        QTest::newRow("other type keeps entry") << Read{reg::kBinary, {1, 2}, "kept", "kept"};
        QTest::newRow("open refused") << Read{sz, text("x"), "old", "", reg::kAccessDenied};
        QTest::newRow("query refused") << Read{sz, text("x"), "old", "", {}, reg::kAccessDenied};
        QTest::newRow("overstated size") << Read{sz, text("x"), "old", "", {}, {}, 1025};
        QTest::newRow("empty data raises") << Read{sz, {}, "old", ""};
    }

    void getKeyValue()
    {
        QFETCH(Read, read);
        support::RecordingRegistry registry;
        registry.set("SOFTWARE\\T", "V", read.type, read.data);
        registry.openStatus = read.openStatus;
        registry.queryStatus = read.queryStatus;
        registry.reportedSize = read.size;
        std::string keyVal = read.entry;
        const auto get = [&] {
            return sysinfo::GetKeyValue(registry, 0x80000002u, "SOFTWARE\\T", "V", keyVal);
        };
        if (read.data.empty()) {
            QVERIFY_THROWS_EXCEPTION(sysinfo::EmptyValueError, get());
        } else {
            QCOMPARE(get(), !read.expected.empty());
            QCOMPARE(keyVal, read.expected);
        }
        QCOMPARE(registry.opens.size(), 1u);
        QCOMPARE(registry.opens[0].access, RegAccess(0x20019)); // KEY_READ: no right to change
        QCOMPARE(registry.opens[0].options, 0u);
        QCOMPARE(registry.lastBufferSize, read.openStatus ? 0u : 1024u);
        QCOMPARE(registry.lastBufferWasZero, !read.openStatus);
        QVERIFY(registry.openHandles.empty()); // closed on every way out
    }

    void startSysInfo_data()
    {
        QTest::addColumn<Route>("route");
        const std::string tool = "C:\\F\\MSINFO32.EXE", spaced = "C:\\A B\\i.exe";
        QTest::newRow("PATH started untested") << Route{sz, text(spaced), "", spaced, "", 1};
        QTest::newRow("PATH fails: folder") << Route{absent, {}, "C:\\F", tool, tool, 2};
        QTest::newRow("PATH too long") << Route{sz, Bytes(1025, 'a'), "C:\\F", tool, tool, 2};
        QTest::newRow("not in folder") << Route{absent, {}, "C:\\O", "", "C:\\O\\MSINFO32.EXE", 2};
        QTest::newRow("both missing") << Route{absent, {}, "", "", "", 2};
        QTest::newRow("empty PATH: no second key") << Route{sz, {}, "C:\\F", "", "", 1};
        QTest::newRow("other type: empty start") << Route{reg::kBinary, {1}, "C:\\F", "", "", 1};
        QTest::newRow("PATH start throws") << Route{sz, text("C:\\x"), "", "", "", 1, false, true};
        QTest::newRow("search throws") << Route{absent, {}, "C:\\F", "", tool, 2, true};
        QTest::newRow("start throws") << Route{absent, {}, "C:\\F", "", tool, 2, false, true};
    }

    void startSysInfo()
    {
        QFETCH(Route, route);
        support::RecordingRegistry registry;
        support::RecordingServices services;
        if (route.pathType != reg::kNone)
            registry.set(kToolKey, "PATH", route.pathType, route.path);
        if (!route.folder.empty())
            registry.setString(kFolderKey, "MSINFO", route.folder);
        services.files.insert("C:\\F\\MSINFO32.EXE");
        services.searchThrows = route.searchThrows;
        services.startThrows = route.startThrows;

        sysinfo::StartSysInfo(registry, services);

        // Exactly one of the two: the tool started, or the one message.
        const auto listOf = [](const std::string &one) {
            return one.empty() ? std::vector<std::string>{} : std::vector{one};
        };
        QCOMPARE(services.starts, listOf(route.started));
        const char *unavailable = "System Information Is Unavailable At This Time";
        QCOMPARE(services.messages, listOf(route.started.empty() ? unavailable : ""));
        QCOMPARE(int(registry.opens.size()), route.opens);
        QCOMPARE(registry.opens.back().subKey, route.opens == 2 ? kFolderKey : kToolKey);
        QCOMPARE(services.searches, listOf(route.searched));
    }
};

QTEST_APPLESS_MAIN(tst_SysInfo)
#include "tst_sys_info.moc"
