// The read-only registry fed by a registry file: what it answers, which file it reads and when,
// and what stands in where there is none.

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

// A search path holding one program; every name looked for is noted.
RegistryFile::ExecutableFinder finder(const QString &known, QStringList *asked)
{
    return [=](const QString &name) {
        *asked << name;
        return name == known ? "/usr/bin/" + name : QString();
    };
}

struct Answer
{
    RegStatus status = reg::kSuccess;
    RegType type = reg::kNone;
    std::uint32_t size = 0;
    QByteArray data;
};

// One query through a fresh open, as the launcher makes it.
Answer query(RegistryFile &registry, const std::string &key, const std::string &name,
             std::uint32_t bufferSize = 1024)
{
    Answer a{reg::kSuccess, reg::kNone, bufferSize, QByteArray(bufferSize, '\0')};
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
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<uint>("buffer");
        QTest::addColumn<int>("status");
        QTest::addColumn<uint>("type");
        QTest::addColumn<QByteArray>("data"); // its size is the size answered, on more data too
        const QByteArray a1023(1023, 'a');
        const QByteArray u600 = QString(600, QChar(0xFC)).toUtf8();
        QTest::newRow("dword") << QByteArray("\"v\"=dword:01020304") << 1024u << 0 << 4u
                               << QByteArray("\x04\x03\x02\x01");
        QTest::newRow("string in UTF-8") << QByteArray("\"v\"=\"C:\\\\Pr\xC3\xBC" "f\"") << 1024u << 0
                                         << 1u << QByteArray("C:\\Pr\xC3\xBC" "f\0", 9);
        QTest::newRow("no terminator") << QByteArray("\"v\"=hex(1):41,00,42,00") << 1024u << 0 << 1u
                                       << QByteArray("AB");
        QTest::newRow("multi") << QByteArray("\"v\"=hex(7):61,00,00,00,62,00,00,00,00,00") << 1024u
                               << 0 << 7u << QByteArray("a\0b\0\0", 5);
        // 2048 bytes held, 1024 converted; 1202 held, 1201 converted.
        QTest::newRow("1023 letters fit") << "\"v\"=\"" + a1023 + '"' << 1024u << 0 << 1u << a1023 + '\0';
        QTest::newRow("600 umlauts do not") << "\"v\"=\"" + u600 + '"' << 1024u << 234 << 1u
                                            << u600 + '\0';
        QTest::newRow("600 umlauts in 1201") << "\"v\"=\"" + u600 + '"' << 1201u << 0 << 1u << u600 + '\0';
        QTest::newRow("missing") << QByteArray("\"w\"=\"x\"") << 1024u << 2 << 0u << QByteArray();
    }

    void answers()
    {
        QFETCH(QByteArray, line);
        QFETCH(uint, buffer);
        QFETCH(int, status);
        QFETCH(uint, type);
        QFETCH(QByteArray, data);
        ConfigFolders folders;
        QVERIFY(folders.writeRegistry(testKey(line)));
        RegistryFile registry;
        const Answer answer = query(registry, "software\\TEST", "V", buffer);
        QCOMPARE(answer.status, status);
        QCOMPARE(answer.type, type);
        QCOMPARE(answer.size, std::uint32_t(status == reg::kNotFound ? buffer : data.size()));
        QCOMPARE(answer.data, status == reg::kSuccess ? data : QByteArray());
        QCOMPARE(registry.openKeyCount(), std::size_t(0));
    }

    void refusesRightsToChange_data()
    {
        QTest::addColumn<RegAccess>("access");
        QTest::addColumn<RegStatus>("status");
        QTest::newRow("KEY_READ") << kKeyRead << 0;
        QTest::newRow("query") << RegAccess(0x1) << 0;
        for (const RegAccess right : {0x2003Fu, 0xF003Fu, 0x2u, 0x4u, 0x20u, 0x10000u, 0x40000u, 0x80000u})
            QTest::addRow("0x%x", right) << right << 5;
    }

    void refusesRightsToChange()
    {
        QFETCH(RegAccess, access);
        QFETCH(RegStatus, status);
        ConfigFolders folders;
        QVERIFY(folders.writeRegistry(testKey({})));
        RegistryFile registry;
        RegHandle handle = reg::kNoHandle;
        QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, access, &handle), status);
        QCOMPARE(registry.openKeyCount(), std::size_t(status == 0 ? 1 : 0));
        QCOMPARE(registry.closeKey(handle), status == 0 ? 0 : 6);
    }

    void handlesLiveFromOpenToClose()
    {
        ConfigFolders folders;
        QVERIFY(folders.writeRegistry(testKey("\"V\"=\"x\"")));
        RegistryFile registry;
        RegHandle first = reg::kNoHandle;
        RegHandle second = reg::kNoHandle;
        QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, kKeyRead, &first), 0);
        QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, kKeyRead, &second), 0);
        QVERIFY(first != reg::kNoHandle && second != first);
        QCOMPARE(registry.closeKey(first), 0);
        QCOMPARE(registry.closeKey(first), 6);
        std::uint32_t size = 0;
        QCOMPARE(registry.queryValue(first, "V", nullptr, nullptr, &size), 6);
        QCOMPARE(registry.queryValue(second, "V", nullptr, nullptr, &size), 0);
        QCOMPARE(registry.openKeyCount(), std::size_t(1));
        QCOMPARE(registry.closeKey(second), 0);
        // Other roots, and a root itself, as the system has them.
        QCOMPARE(registry.openKey(0x12345678u, kTestKey, 0, kKeyRead, &first), 6);
        QCOMPARE(registry.openKey(0x80000001u, kTestKey, 0, kKeyRead, &first), 2);
        QCOMPARE(registry.openKey(0x80000003u, "", 0, kKeyRead, &first), 0);
    }

    void readsTheFileAtEveryOpen()
    {
        ConfigFolders folders;
        QVERIFY(folders.writeRegistry(testKey("\"V\"=\"before\"")));
        RegistryFile registry;
        RegHandle early = reg::kNoHandle;
        QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, kKeyRead, &early), 0);
        QVERIFY(folders.writeRegistry(testKey("\"V\"=\"after\"")));
        QCOMPARE(query(registry, kTestKey, "V").data, QByteArray("after\0", 6));
        // A key opened before the edit answers from the file as it was then.
        std::uint32_t size = 0;
        QCOMPARE(registry.queryValue(early, "V", nullptr, nullptr, &size), 0);
        QCOMPARE(size, 7u);
        QVERIFY(QFile::remove(folders.registry()));
        QCOMPARE(query(registry, kTestKey, "V").status, 2);
    }

    void firstFileDecides_data()
    {
        QTest::addColumn<QString>("home");     // what the user's folder holds as registry.reg
        QTest::addColumn<QByteArray>("value"); // of the test key's "V"; empty: the key does not open
        QTest::newRow("a file") << "file" << QByteArray("home\0", 5);
        QTest::newRow("none: the next folder's") << "" << QByteArray("dirs\0", 5);
        QTest::newRow("16 MiB") << "16 MiB" << QByteArray("home\0", 5);
        for (const char *unusable : {"16 MiB and 1 byte", "no header", "folder", "FIFO"})
            QTest::newRow(unusable) << unusable << QByteArray();
    }

    void firstFileDecides()
    {
        QFETCH(QString, home);
        QFETCH(QByteArray, value);
        ConfigFolders folders;
        QVERIFY(ConfigFolders::write(ConfigFolders::registryIn(folders.dir(1)), testKey("\"V\"=\"dirs\"")));
        QByteArray file = testKey("\"V\"=\"home\"\r\n;");
        if (home.startsWith(u"16 MiB"))
            file += QByteArray(16 * 1024 * 1024 - file.size() + home.endsWith(u"byte"), '-');
        if (home == u"no header")
            file.replace("Version 5.00", "");
        if (home == u"folder")
            QVERIFY(QDir().mkpath(folders.registry()));
        else if (home == u"FIFO")
            QCOMPARE(::mkfifo(QFile::encodeName(folders.registry()).constData(), 0600), 0);
        else if (!home.isEmpty())
            QVERIFY(folders.writeRegistry(file));
        QStringList asked;
        RegistryFile registry(finder(QStringLiteral("hardinfo"), &asked));
        QCOMPARE(query(registry, kTestKey, "V").data, value);
        QCOMPARE(query(registry, kToolKey, "PATH").status, 2);
    }

    void builtInToolIsTheFirstFound()
    {
        ConfigFolders folders;
        QStringList asked;
        RegistryFile registry(finder(QStringLiteral("gnome-system-monitor"), &asked));
        const Answer answer = query(registry, kToolKey, "PATH");
        QCOMPARE(answer.type, 1u);
        QCOMPARE(answer.data, QByteArray("/usr/bin/gnome-system-monitor\0", 30));
        QCOMPARE(asked, QStringList({"kinfocenter", "hardinfo", "lshw-gtk", "gnome-system-monitor"}));
        QCOMPARE(query(registry, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO").status, 2);
        asked.clear();
        RegistryFile bare(finder({}, &asked));
        QCOMPARE(query(bare, kToolKey, "PATH").status, 2);
        QCOMPARE(asked, QStringList({"kinfocenter", "hardinfo", "lshw-gtk", "gnome-system-monitor",
                                     "mate-system-monitor", "xfce4-taskmanager"}));
    }
};

QTEST_GUILESS_MAIN(tst_RegistryFile)
#include "tst_registry_file.moc"
