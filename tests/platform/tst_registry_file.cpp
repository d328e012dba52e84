// The read-only registry fed by a registry file: where it looks, what it answers and when it
// reads the file.

#include "platform_test_support.h"
#include "registry_file.h"
#include "sys_info.h"

#include <QTest>

#include <array>

using namespace platform;
using platformtest::ConfigFolders;
using platformtest::regFile;

namespace {

const std::string kTestKey = "SOFTWARE\\Test";
const std::string kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

// A finder for the built-in value that knows only the programs it is given, and notes what it
// was asked.
struct FakeFinder
{
    std::map<QString, QString> programs;
    std::shared_ptr<QStringList> asked = std::make_shared<QStringList>();

    RegistryFile::ExecutableFinder finder() const
    {
        return [programs = programs, asked = asked](const QString &name) {
            asked->append(name);
            const auto it = programs.find(name);
            return it == programs.end() ? QString() : it->second;
        };
    }
};

RegistryFile::ExecutableFinder noPrograms()
{
    return [](const QString &) { return QString(); };
}

// One query through a fresh open, as the reader makes it: status, type and bytes.
struct Answer
{
    RegStatus status = -1;
    RegType type = 0;
    std::uint32_t size = 0;
    QByteArray data;
};

Answer query(RegistryFile &registry, const std::string &key, const std::string &name,
             std::uint32_t bufferSize = 1024)
{
    Answer answer;
    RegHandle handle = 0;
    answer.status = registry.openKey(reg::kLocalMachine, key, 0, reg::kRead, &handle);
    if (answer.status != reg::kSuccess)
        return answer;
    std::vector<std::uint8_t> buffer(bufferSize);
    answer.size = bufferSize;
    answer.status = registry.queryValue(handle, name, &answer.type, buffer.data(), &answer.size);
    if (answer.status == reg::kSuccess)
        answer.data = QByteArray(reinterpret_cast<const char *>(buffer.data()), answer.size);
    registry.closeKey(handle);
    return answer;
}

// A registry file holding the test key with these value lines.
QByteArray testKey(const QByteArray &values = {})
{
    return regFile("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n" + values);
}

QByteArray utf16File(const QString &text)
{
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    return bytes;
}

} // namespace

class tst_RegistryFile : public QObject
{
    Q_OBJECT

private slots:
    void answersAsTheSystemDoes();
    void convertsStringsTo8Bit();
    void countsSizeOnConvertedBytes();
    void refusesAnyRightToChange_data();
    void refusesAnyRightToChange();
    void tracksHandles();
    void opensRootsAndKeysBelowThem();
    void readsFileAgainAtEveryOpen();
    void looksInUserThenSystemFolders();
    void builtInValueNamesFirstToolFound();
};

void tst_RegistryFile::answersAsTheSystemDoes()
{
    ConfigFolders folders;
    QVERIFY(folders.writeRegistry(testKey("\"Count\"=dword:01020304\r\n"
                                          "\"Blob\"=hex:00,01,02\r\n"
                                          "\"Empty\"=hex:\r\n")));
    RegistryFile registry(noPrograms());

    const Answer dword = query(registry, kTestKey, "count");
    QCOMPARE(dword.status, reg::kSuccess);
    QCOMPARE(dword.type, reg::kDword);
    QCOMPARE(dword.data, QByteArray("\x04\x03\x02\x01", 4));

    const Answer blob = query(registry, "software\\TEST", "BLOB");
    QCOMPARE(blob.status, reg::kSuccess);
    QCOMPARE(blob.type, reg::kBinary);
    QCOMPARE(blob.data, QByteArray("\x00\x01\x02", 3));

    const Answer empty = query(registry, kTestKey, "Empty");
    QCOMPARE(empty.status, reg::kSuccess);
    QCOMPARE(empty.size, std::uint32_t(0));

    QCOMPARE(query(registry, kTestKey, "Missing").status, reg::kNotFound);
    QCOMPARE(query(registry, "SOFTWARE\\Missing", "Count").status, reg::kNotFound);
    QCOMPARE(registry.openKeyCount(), std::size_t(0));

    // Too small a buffer: more data, the size needed, and nothing copied.
    RegHandle handle = 0;
    QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, reg::kRead, &handle), reg::kSuccess);
    std::array<std::uint8_t, 4> buffer{0xEE, 0xEE, 0xEE, 0xEE};
    std::uint32_t size = 2;
    RegType type = 0;
    QCOMPARE(registry.queryValue(handle, "Blob", &type, buffer.data(), &size), reg::kMoreData);
    QCOMPARE(size, std::uint32_t(3));
    QCOMPARE(buffer[0], std::uint8_t(0xEE));
    // No buffer at all: the size alone.
    size = 0;
    QCOMPARE(registry.queryValue(handle, "Blob", nullptr, nullptr, &size), reg::kSuccess);
    QCOMPARE(size, std::uint32_t(3));
    QCOMPARE(registry.queryValue(handle, "Blob", nullptr, buffer.data(), nullptr),
             reg::kInvalidParameter);
    QCOMPARE(registry.closeKey(handle), reg::kSuccess);
}

void tst_RegistryFile::convertsStringsTo8Bit()
{
    ConfigFolders folders;
    QVERIFY(folders.writeRegistry(utf16File(
        QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n"
                       "\"Text\"=\"C:\\\\Pr\u00fcfung\\\\a b.exe\"\r\n"
                       "\"NoZero\"=hex(1):41,00,42,00\r\n"
                       "\"TwoZeros\"=hex(1):41,00,00,00,00,00\r\n"
                       "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                       "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"))));
    RegistryFile registry(noPrograms());

    const Answer text = query(registry, kTestKey, "Text");
    QCOMPARE(text.type, reg::kString);
    QCOMPARE(text.data, QByteArray("C:\\Pr\xC3\xBC" "fung\\a b.exe\0", 20));
    QCOMPARE(query(registry, kTestKey, "NoZero").data, QByteArray("AB"));
    QCOMPARE(query(registry, kTestKey, "TwoZeros").data, QByteArray("A\0\0", 3));
    const Answer expand = query(registry, kTestKey, "Expand");
    QCOMPARE(expand.type, reg::kExpandString);
    QCOMPARE(expand.data, QByteArray("%A%\0", 4));
    QCOMPARE(query(registry, kTestKey, "Multi").data, QByteArray("a\0b\0\0", 5));
}

void tst_RegistryFile::countsSizeOnConvertedBytes()
{
    // 1023 ASCII characters and the terminator: 2048 bytes held, 1024 given out, which fits.
    // 600 two-byte characters: 1202 bytes held, 1201 given out, which does not.
    ConfigFolders folders;
    const QByteArray fits(1023, 'a');
    const QByteArray wide = QString(600, QChar(0xFC)).toUtf8();
    QVERIFY(folders.writeRegistry(testKey("\"Fits\"=\"" + fits + "\"\r\n"
                                          "\"Wide\"=\"" + wide + "\"\r\n")));
    RegistryFile registry(noPrograms());

    const Answer fitting = query(registry, kTestKey, "Fits");
    QCOMPARE(fitting.status, reg::kSuccess);
    QCOMPARE(fitting.size, std::uint32_t(1024));
    QCOMPARE(fitting.data, fits + '\0');

    const Answer tooWide = query(registry, kTestKey, "Wide");
    QCOMPARE(tooWide.status, reg::kMoreData);
    QCOMPARE(tooWide.size, std::uint32_t(1201));
    QCOMPARE(query(registry, kTestKey, "Wide", 1201).data, wide + '\0');

    // The launcher's reader reads the first whole and fails on the second.
    std::string keyVal;
    QVERIFY(sysinfo::GetKeyValue(registry, reg::kLocalMachine, kTestKey, "Fits", keyVal));
    QCOMPARE(QByteArray::fromStdString(keyVal), fits);
    QVERIFY(!sysinfo::GetKeyValue(registry, reg::kLocalMachine, kTestKey, "Wide", keyVal));
    QVERIFY(keyVal.empty());
    QCOMPARE(registry.openKeyCount(), std::size_t(0));
}

void tst_RegistryFile::refusesAnyRightToChange_data()
{
    QTest::addColumn<RegAccess>("access");
    QTest::addColumn<RegStatus>("expected");
    QTest::newRow("KEY_READ") << RegAccess(0x20019) << reg::kSuccess;
    QTest::newRow("query only") << RegAccess(reg::kQueryValue) << reg::kSuccess;
    QTest::newRow("read control and query, change rights too (0x2003F)") << RegAccess(0x2003F)
                                                                         << reg::kAccessDenied;
    QTest::newRow("KEY_ALL_ACCESS") << RegAccess(0xF003F) << reg::kAccessDenied;
    QTest::newRow("set value") << RegAccess(reg::kSetValue) << reg::kAccessDenied;
    QTest::newRow("create subkey") << RegAccess(reg::kCreateSubKey) << reg::kAccessDenied;
    QTest::newRow("create link") << RegAccess(reg::kCreateLink) << reg::kAccessDenied;
    QTest::newRow("delete") << RegAccess(0x10000) << reg::kAccessDenied;
    QTest::newRow("write owner") << RegAccess(0x80000) << reg::kAccessDenied;
}

void tst_RegistryFile::refusesAnyRightToChange()
{
    QFETCH(RegAccess, access);
    QFETCH(RegStatus, expected);
    ConfigFolders folders;
    QVERIFY(folders.writeRegistry(testKey()));
    RegistryFile registry(noPrograms());
    RegHandle handle = 0;
    QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, access, &handle), expected);
    QCOMPARE(registry.openKeyCount(), std::size_t(expected == reg::kSuccess ? 1 : 0));
    if (expected == reg::kSuccess)
        QCOMPARE(registry.closeKey(handle), reg::kSuccess);
    else
        QCOMPARE(handle, RegHandle(0));
    // A key that is not there is not there, whatever was asked.
    QCOMPARE(registry.openKey(reg::kLocalMachine, "SOFTWARE\\None", 0, access, &handle),
             reg::kNotFound);
}

void tst_RegistryFile::tracksHandles()
{
    ConfigFolders folders;
    QVERIFY(folders.writeRegistry(testKey("\"V\"=\"x\"\r\n")));
    RegistryFile registry(noPrograms());
    RegHandle first = 0;
    RegHandle second = 0;
    QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, reg::kRead, &first), reg::kSuccess);
    QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, reg::kRead, &second), reg::kSuccess);
    QVERIFY(first != 0);
    QVERIFY(second != first);
    QCOMPARE(registry.openKeyCount(), std::size_t(2));

    QCOMPARE(registry.closeKey(first), reg::kSuccess);
    QCOMPARE(registry.closeKey(first), reg::kInvalidHandle);
    std::array<std::uint8_t, 8> buffer{};
    std::uint32_t size = buffer.size();
    QCOMPARE(registry.queryValue(first, "V", nullptr, buffer.data(), &size), reg::kInvalidHandle);
    QCOMPARE(registry.queryValue(second, "V", nullptr, buffer.data(), &size), reg::kSuccess);
    QCOMPARE(registry.closeKey(0x12345), reg::kInvalidHandle);
    QCOMPARE(registry.closeKey(second), reg::kSuccess);
    QCOMPARE(registry.openKeyCount(), std::size_t(0));

    QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, reg::kRead, nullptr),
             reg::kInvalidParameter);
    RegHandle handle = 0;
    QCOMPARE(registry.openKey(0x12345678u, kTestKey, 0, reg::kRead, &handle), reg::kInvalidHandle);
    QCOMPARE(registry.openKey(0x80000001u, kTestKey, 0, reg::kRead, &handle), reg::kNotFound);
    QCOMPARE(registry.openKeyCount(), std::size_t(0));
}

void tst_RegistryFile::opensRootsAndKeysBelowThem()
{
    ConfigFolders folders;
    QVERIFY(folders.writeRegistry(regFile("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\Deeper]\r\n"
                                          "\"V\"=\"x\"\r\n")));
    RegistryFile registry(noPrograms());
    RegHandle handle = 0;
    QCOMPARE(registry.openKey(reg::kLocalMachine, "software\\test\\DEEPER", 0, reg::kRead,
                              &handle),
             reg::kSuccess);
    std::uint32_t size = 0;
    QCOMPARE(registry.queryValue(handle, "v", nullptr, nullptr, &size), reg::kSuccess);
    QCOMPARE(size, std::uint32_t(2));
    registry.closeKey(handle);
    // A parent of a key in the file exists without a section of its own.
    QCOMPARE(registry.openKey(reg::kLocalMachine, "SOFTWARE", 0, reg::kRead, &handle),
             reg::kSuccess);
    registry.closeKey(handle);
    // A root opens even when no key lies below it.
    QCOMPARE(registry.openKey(0x80000003u, "", 0, reg::kRead, &handle), reg::kSuccess);
    registry.closeKey(handle);
    QCOMPARE(registry.openKeyCount(), std::size_t(0));
}

void tst_RegistryFile::readsFileAgainAtEveryOpen()
{
    ConfigFolders folders;
    QVERIFY(folders.writeRegistry(testKey("\"V\"=\"before\"\r\n")));
    RegistryFile registry(noPrograms());
    RegHandle early = 0;
    QCOMPARE(registry.openKey(reg::kLocalMachine, kTestKey, 0, reg::kRead, &early), reg::kSuccess);

    QVERIFY(folders.writeRegistry(testKey("\"V\"=\"after\"\r\n")));
    QCOMPARE(query(registry, kTestKey, "V").data, QByteArray("after\0", 6));

    // A key opened before the edit answers from the file as it was then.
    std::array<std::uint8_t, 16> buffer{};
    std::uint32_t size = buffer.size();
    QCOMPARE(registry.queryValue(early, "V", nullptr, buffer.data(), &size), reg::kSuccess);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(buffer.data()), size),
             QByteArray("before\0", 7));
    registry.closeKey(early);

    QVERIFY(QFile::remove(folders.registry()));
    QCOMPARE(query(registry, kTestKey, "V").status, reg::kNotFound);
}

void tst_RegistryFile::looksInUserThenSystemFolders()
{
    ConfigFolders folders;
    const auto file = [](const char *text) {
        return regFile(QByteArrayLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test]\r\n\"V\"=\"")
                       + text + "\"\r\n");
    };
    RegistryFile registry(noPrograms());

    QVERIFY(ConfigFolders::write(ConfigFolders::registryIn(folders.dir(2)), file("dirs2")));
    QCOMPARE(query(registry, kTestKey, "V").data, QByteArray("dirs2\0", 6));
    QVERIFY(ConfigFolders::write(ConfigFolders::registryIn(folders.dir(1)), file("dirs1")));
    QCOMPARE(query(registry, kTestKey, "V").data, QByteArray("dirs1\0", 6));
    QVERIFY(folders.writeRegistry(file("home")));
    QCOMPARE(query(registry, kTestKey, "V").data, QByteArray("home\0", 5));

    // A user file that is no registry file counts as absent: the next folder's is used.
    QVERIFY(folders.writeRegistry("not a registry file\r\n"));
    QCOMPARE(query(registry, kTestKey, "V").data, QByteArray("dirs1\0", 6));
    // So does a folder in the file's place.
    QVERIFY(QFile::remove(folders.registry()));
    QVERIFY(QDir().mkpath(folders.registry()));
    QCOMPARE(query(registry, kTestKey, "V").data, QByteArray("dirs1\0", 6));
}

void tst_RegistryFile::builtInValueNamesFirstToolFound()
{
    ConfigFolders folders;
    FakeFinder finder;
    finder.programs[QStringLiteral("gnome-system-monitor")] = QStringLiteral("/usr/bin/g sm");
    finder.programs[QStringLiteral("xfce4-taskmanager")] = QStringLiteral("/usr/bin/xt");
    RegistryFile registry(finder.finder());

    const Answer answer = query(registry, kToolKey, "PATH");
    QCOMPARE(answer.status, reg::kSuccess);
    QCOMPARE(answer.type, reg::kString);
    QCOMPARE(answer.data, QByteArray("/usr/bin/g sm\0", 14));
    // Looked for in the order of the list, and not past the first one found.
    const QStringList candidates = RegistryFile::toolCandidates();
    const qsizetype found = candidates.indexOf(QStringLiteral("gnome-system-monitor"));
    QVERIFY(found >= 0);
    QCOMPARE(*finder.asked, candidates.mid(0, found + 1));

    // Nothing else is there.
    QCOMPARE(query(registry, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO").status,
             reg::kNotFound);
    // A registry file, once there, replaces it.
    QVERIFY(folders.writeRegistry(testKey()));
    QCOMPARE(query(registry, kToolKey, "PATH").status, reg::kNotFound);

    // With no tool at all, every candidate is asked for and the value is not there.
    QVERIFY(QFile::remove(folders.registry()));
    FakeFinder none;
    RegistryFile bare(none.finder());
    QCOMPARE(query(bare, kToolKey, "PATH").status, reg::kNotFound);
    QCOMPARE(*none.asked, RegistryFile::toolCandidates());
}

QTEST_GUILESS_MAIN(tst_RegistryFile)
#include "tst_registry_file.moc"
