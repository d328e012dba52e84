// The registry stand-in: what it answers, from which file, and what stands in where there is none.

#include "registry_file.h"
#include "support.h"

#include <QTest>

#include <sys/stat.h>

using namespace platform;
using support::ConfigFolders;

namespace {

const std::string kTestKey = "SOFTWARE\\Test";
const std::string kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr RegAccess kKeyRead = 0x20019;

QByteArray testKey(const QByteArray &lines)
{
    return support::regFile("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n" + lines + "\r\n");
}

// One query through a fresh open, as the launcher makes it.
struct Answer { RegStatus status; RegType type; std::uint32_t size; QByteArray data; };
Answer query(RegistryFile &registry, const std::string &key, const std::string &name)
{
    Answer a{reg::kSuccess, reg::kNone, 1024, QByteArray(1024, '\0')};
    RegHandle handle = reg::kNoHandle;
    a.status = registry.openKey(reg::kLocalMachine, key, 0, kKeyRead, &handle);
    if (a.status == reg::kSuccess) {
        auto *data = reinterpret_cast<std::uint8_t *>(a.data.data());
        a.status = registry.queryValue(handle, name, &a.type, data, &a.size);
        registry.closeKey(handle);
    }
    a.data = a.status == reg::kSuccess ? a.data.left(a.size) : QByteArray();
    return a;
}

} // namespace

class tst_RegistryFile : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("bytes"); // more than 1024 of them do not fit the buffer
        const auto row = [](const char *tag, const QByteArray &data, uint type, const QByteArray &bytes) {
            QTest::newRow(tag) << data << type << bytes;
        };
        row("dword", "dword:01020304", 4, "\x04\x03\x02\x01");
        row("string in UTF-8", "\"C:\\\\Pr\xC3\xBC" "f\"", 1, QByteArray("C:\\Pr\xC3\xBC" "f\0", 9));
        row("no terminator", "hex(1):41,00,42,00", 1, "AB");
        row("multi", "hex(7):61,00,00,00,62,00,00,00,00,00", 7, QByteArray("a\0b\0\0", 5));
        // 2048 bytes held, 1024 converted; 1202 held, 1201 converted.
        const QByteArray a1023(1023, 'a');
        const QByteArray u600 = QString(600, QChar(0xFC)).toUtf8();
        row("1023 letters fit", '"' + a1023 + '"', 1, a1023 + '\0');
        row("600 umlauts do not", '"' + u600 + '"', 1, u600 + '\0');
    }

    void answers()
    {
        QFETCH(QByteArray, data);
        QFETCH(uint, type);
        QFETCH(QByteArray, bytes);
        ConfigFolders folders;
        QVERIFY(folders.writeRegistry(testKey("\"v\"=" + data)));
        RegistryFile registry;
        const Answer answer = query(registry, "software\\TEST", "V");
        const RegStatus status = bytes.size() > 1024 ? 234 : 0;
        QCOMPARE(answer.status, status);
        QCOMPARE(answer.type, type);
        QCOMPARE(answer.size, std::uint32_t(bytes.size()));
        QCOMPARE(answer.data, status == reg::kSuccess ? bytes : QByteArray());
        QCOMPARE(query(registry, kTestKey, "w").status, 2);
    }

    void opensForReadingFromTheFileAsItIsThen()
    {
        ConfigFolders folders;
        QVERIFY(folders.writeRegistry(testKey("\"V\"=\"before\"")));
        RegistryFile registry;
        RegHandle early = reg::kNoHandle;
        QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, kKeyRead, &early), 0);
        QVERIFY(folders.writeRegistry(testKey("\"V\"=\"after\"")));
        QCOMPARE(query(registry, kTestKey, "V").data, QByteArray("after\0", 6));
        // The key opened before the edit answers from the file as it was then, until its close.
        std::uint32_t size = 0;
        QCOMPARE(registry.queryValue(early, "V", nullptr, nullptr, &size), 0);
        QCOMPARE(size, 7u);
        QCOMPARE(registry.closeKey(early), 0);
        QCOMPARE(registry.queryValue(early, "V", nullptr, nullptr, &size), 6);
        QCOMPARE(registry.closeKey(early), 6);
        // Reading needs no more than KEY_READ; any right to change the key is refused.
        for (const RegAccess access : {0x20019u, 0x1u, 0x2003Fu, 0xF003Fu, 0x2u, 0x4u, 0x20u,
                                       0x10000u, 0x40000u, 0x80000u}) {
            const RegStatus status = access == 0x20019u || access == 0x1u ? 0 : 5;
            QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, access, &early), status);
            QCOMPARE(registry.closeKey(early), status == 0 ? 0 : 6);
        }
        QVERIFY(QFile::remove(folders.registry()));
        QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, kKeyRead, &early), 2);
    }

    void firstFileDecides_data()
    {
        QTest::addColumn<QByteArray>("home");  // the user's registry.reg, or how to make one
        QTest::addColumn<QByteArray>("value"); // of the test key's "V"; empty: the key does not open
        const QByteArray file = testKey("\"V\"=\"home\"\r\n;");
        QTest::newRow("a file") << file << QByteArray("home\0", 5);
        QTest::newRow("none: the next folder's") << QByteArray() << QByteArray("dirs\0", 5);
        QTest::newRow("16 MiB") << file.leftJustified(16 * 1024 * 1024, '-') << QByteArray("home\0", 5);
        QTest::newRow("16 MiB and 1 byte") << file.leftJustified(16 * 1024 * 1024 + 1, '-') << QByteArray();
        QTest::newRow("no header") << file.mid(file.indexOf('\n')) << QByteArray();
        QTest::newRow("folder") << QByteArray("mkdir") << QByteArray();
        QTest::newRow("FIFO") << QByteArray("mkfifo") << QByteArray();
    }

    void firstFileDecides()
    {
        QFETCH(QByteArray, home);
        QFETCH(QByteArray, value);
        ConfigFolders folders;
        QVERIFY(ConfigFolders::write(ConfigFolders::registryIn(folders.dir(1)), testKey("\"V\"=\"dirs\"")));
        if (home == "mkdir")
            QVERIFY(QDir().mkpath(folders.registry()));
        else if (home == "mkfifo")
            QCOMPARE(::mkfifo(QFile::encodeName(folders.registry()).constData(), 0600), 0);
        else if (!home.isNull())
            QVERIFY(folders.writeRegistry(home));
        RegistryFile registry([](const QString &name) { return "/usr/bin/" + name; });
        QCOMPARE(query(registry, kTestKey, "V").data, value);
        QCOMPARE(query(registry, kToolKey, "PATH").status, 2);
    }

    void builtInToolIsTheFirstFound()
    {
        ConfigFolders folders;
        const QStringList tools = {"kinfocenter", "hardinfo", "lshw-gtk", "gnome-system-monitor",
                                   "mate-system-monitor", "xfce4-taskmanager"};
        for (qsizetype found = 0; found <= tools.size(); ++found) { // the last time none
            QStringList asked; // a search path holding one of them, or none
            RegistryFile registry([&asked, known = tools.value(found)](const QString &name) {
                asked << name;
                return name == known ? "/usr/bin/" + name : QString();
            });
            const QByteArray path = found < tools.size() ? "/usr/bin/" + tools[found].toUtf8() + '\0' : "";
            QCOMPARE(query(registry, kToolKey, "PATH").data, path);
            QCOMPARE(asked, tools.first(std::min(found + 1, tools.size())));
            QCOMPARE(query(registry, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO").status, 2);
        }
    }
};

QTEST_GUILESS_MAIN(tst_RegistryFile)
#include "tst_registry_file.moc"
