// Registry files that no tool would write, read by the real stand-in and the real launcher:
// each gives either the value it does hold (the launcher starts that path) or, where it holds
// nothing usable, the one message. Nothing crashes, hangs or eats the machine's memory.
//
// The start and the message are recorded instead of done, and no system-information program
// is found on the search path, so a file that counts as absent gives the message.

#include "reg_file_parser.h"
#include "registry_file.h"
#include "sys_info.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace platform;

namespace {

class RecordingServices : public SystemServices
{
public:
    bool findNormalFile(const std::string &) override { return false; }
    void startProgram(const std::string &path) override { starts.push_back(path); }
    void showMessage(const std::string &) override { ++messages; }
    void beep() override {}

    std::vector<std::string> starts;
    int messages = 0;
};

const QByteArray kHeader5 = "Windows Registry Editor Version 5.00\r\n";
const QByteArray kToolSection =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\r\n";

QByteArray pathLine(const QByteArray &path)
{
    return "\"PATH\"=\"" + path + "\"\r\n";
}

// A hex(1) value of exactly `bytes` bytes as the query counts them: ASCII text and its one
// terminating zero, held as UTF-16LE.
QByteArray stringOfSize(int bytes)
{
    QByteArray line = "\"PATH\"=hex(1):";
    for (int i = 0; i < bytes - 1; ++i)
        line += "61,00,";
    line += "00,00\r\n";
    return line;
}

QByteArray utf16le(const QString &text)
{
    QByteArray out("\xFF\xFE", 2);
    for (const QChar c : text) {
        out += char(c.unicode() & 0xFF);
        out += char(c.unicode() >> 8);
    }
    return out;
}

QByteArray junk(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

} // namespace

class tst_HostileRegistryFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void outcome_data();
    void outcome();
    void fileOverTheLimitIsAbsent();
    void deeplyNestedPathStaysSmall();
    void removalReachesSubkeysPastSiblings();

private:
    void writeFile(const QByteArray &contents);
    // What StartSysInfo does with the file: the path started, or empty after the message.
    std::optional<std::string> launch();

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_systemDirs;
};

void tst_HostileRegistryFile::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    m_systemDirs = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid() && m_systemDirs->isValid());
    QVERIFY(QDir(m_home->path()).mkpath(QStringLiteral("tavrin")));
    qputenv("XDG_CONFIG_HOME", m_home->path().toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", m_systemDirs->path().toLocal8Bit());
}

void tst_HostileRegistryFile::writeFile(const QByteArray &contents)
{
    QFile file(m_home->filePath(QStringLiteral("tavrin/registry.reg")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(contents), contents.size());
}

std::optional<std::string> tst_HostileRegistryFile::launch()
{
    RegistryFile registry([](const QString &) { return QString(); });
    RecordingServices services;
    sysinfo::StartSysInfo(registry, services);
    const std::size_t outcomes = services.starts.size() + std::size_t(services.messages);
    if (outcomes != 1 || registry.openKeyCount() != 0)
        return std::string("\x01 broken: ") + std::to_string(outcomes) + " outcomes, "
               + std::to_string(registry.openKeyCount()) + " keys left open";
    if (services.messages)
        return std::nullopt;
    return services.starts.front();
}

void tst_HostileRegistryFile::outcome_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("started"); // empty: the message

    const QByteArray good = kHeader5 + kToolSection + pathLine("/opt/tool");
    const QByteArray mb(1024 * 1024, 'x');

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("binary junk") << junk(64 * 1024, 1) << QString();
    QTest::newRow("header, then junk") << kHeader5 + junk(64 * 1024, 2) << QString();
    QTest::newRow("junk lines around the value")
        << kHeader5 + junk(4096, 3).replace('\n', ' ') + "\r\n" + kToolSection
               + junk(4096, 4).replace('\n', ' ') + "\r\n" + pathLine("/opt/tool")
               + junk(4096, 5)
        << "/opt/tool";
    QTest::newRow("zero bytes throughout") << QByteArray(4096, '\0') << QString();
    QTest::newRow("header only, no line end") << QByteArray("REGEDIT4") << QString();

    QTest::newRow("1 MB comment line") << kHeader5 + ";" + mb + "\r\n" + kToolSection
                                              + pathLine("/opt/tool")
                                       << "/opt/tool";
    QTest::newRow("1 MB line without an end") << good + mb << "/opt/tool";
    QTest::newRow("1 MB string value") << kHeader5 + kToolSection + pathLine(mb) << QString();
    QTest::newRow("1 MB value name") << kHeader5 + kToolSection + "\"" + mb + "\"=\"x\"\r\n"
                                            + pathLine("/opt/tool")
                                     << "/opt/tool";
    QByteArray nested1mb = "[HKEY_LOCAL_MACHINE";
    while (nested1mb.size() < 1024 * 1024)
        nested1mb += "\\k";
    QTest::newRow("1 MB section of nested keys")
        << kHeader5 + nested1mb + "]\r\n\"PATH\"=\"/no\"\r\n" + kToolSection
               + pathLine("/opt/tool")
        << "/opt/tool";
    QByteArray hexRun = "\"PATH\"=hex(1):";
    while (hexRun.size() < 1024 * 1024)
        hexRun += "61,00,";
    QTest::newRow("1 MB hex line") << kHeader5 + kToolSection + hexRun + "00,00\r\n"
                                   << QString();

    QTest::newRow("UTF-16LE with an odd last byte")
        << utf16le(QString::fromLatin1(good)) + "\x41" << "/opt/tool";
    QTest::newRow("UTF-16LE cut in the value")
        << utf16le(QString::fromLatin1(good)).left(utf16le(QString::fromLatin1(good)).size() - 9)
        << QString();
    QTest::newRow("UTF-16LE with lone surrogates in the path")
        << utf16le(QString::fromLatin1(kHeader5 + kToolSection) + QStringLiteral("\"PATH\"=\"/opt/a")
                   + QChar(0xD800) + QStringLiteral("b") + QChar(0xDC00) + QStringLiteral("\"\r\n"))
        << QString::fromUtf8("/opt/a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    QTest::newRow("UTF-16 big-endian is not read")
        << QByteArray("\xFE\xFF", 2) + utf16le(QString::fromLatin1(good)).mid(2).prepend('\0')
        << QString();
    QTest::newRow("UTF-8 with broken sequences")
        << kHeader5 + kToolSection + pathLine("/opt/\xC3(\xE2\x82\xF0\x9F\x98") << QString::fromUtf8(
               "/opt/\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");

    QTest::newRow("unterminated string") << kHeader5 + kToolSection + "\"PATH\"=\"/opt/tool\r\n"
                                         << QString();
    QTest::newRow("unterminated string, then a good one")
        << kHeader5 + kToolSection + "\"PATH\"=\"/opt/bad\r\n" + pathLine("/opt/tool")
        << "/opt/tool";
    QTest::newRow("unterminated name") << kHeader5 + kToolSection + "\"PATH=\"/opt/tool\"\r\n"
                                       << QString();
    QTest::newRow("unterminated section")
        << kHeader5 + "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO\r\n"
               + pathLine("/opt/tool")
        << QString();
    QTest::newRow("hex run ending in a continuation at the end of the file")
        << kHeader5 + kToolSection + "\"PATH\"=hex(1):2f,00,61,00,\\" << QString();
    QTest::newRow("hex run with a bad byte") << kHeader5 + kToolSection
                                                    + "\"PATH\"=hex(1):2f,00,6g,00,00,00\r\n"
                                             << QString();
    // "6" is the byte 06, odd in UTF-16: the half unit is dropped and "/" remains.
    QTest::newRow("hex run cut in a byte") << kHeader5 + kToolSection
                                                  + "\"PATH\"=hex(1):2f,00,6"
                                           << "/";

    QByteArray thousand = kHeader5;
    QByteArray path = "HKEY_LOCAL_MACHINE";
    for (int i = 0; i < 1000; ++i) {
        path += "\\level" + QByteArray::number(i);
        thousand += "[" + path + "]\r\n\"v\"=dword:" + QByteArray::number(i, 16) + "\r\n";
    }
    QTest::newRow("a thousand nested keys")
        << thousand + kToolSection + pathLine("/opt/tool") << "/opt/tool";

    QTest::newRow("value of 1023 bytes") << kHeader5 + kToolSection + stringOfSize(1023)
                                         << QString(1022, u'a');
    QTest::newRow("value of 1024 bytes") << kHeader5 + kToolSection + stringOfSize(1024)
                                         << QString(1023, u'a');
    QTest::newRow("value of 1025 bytes") << kHeader5 + kToolSection + stringOfSize(1025)
                                         << QString();
    QTest::newRow("value of 65,536 bytes") << kHeader5 + kToolSection + stringOfSize(65536)
                                           << QString();
    // A non-ASCII letter is two bytes once converted: 512 of them and the terminator are 1025.
    QTest::newRow("1024 UTF-16 bytes, 1025 converted")
        << kHeader5 + kToolSection + "\"PATH\"=\"" + QString(512, QChar(0xE4)).toUtf8() + "\"\r\n"
        << QString();
}

void tst_HostileRegistryFile::outcome()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, started);
    writeFile(contents);

    QElapsedTimer timer;
    timer.start();
    const std::optional<std::string> result = launch();
    if (result && result->starts_with('\x01'))
        QFAIL(result->c_str() + 1);
    QCOMPARE(result ? QString::fromStdString(*result) : QString(), started);
    QCOMPARE(result.has_value(), !started.isEmpty());
    // Twice the reading of a file of a few megabytes, under a sanitizer on a slow machine.
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
}

void tst_HostileRegistryFile::fileOverTheLimitIsAbsent()
{
    // The value at the start, then comments up to the size: the size alone decides.
    QByteArray contents = kHeader5 + kToolSection + pathLine("/opt/tool");
    const QByteArray comment = ";" + QByteArray(1022, '-') + "\r\n";
    contents.reserve(RegistryFile::kMaxFileSize + 1);
    while (contents.size() + comment.size() <= RegistryFile::kMaxFileSize)
        contents += comment;
    contents += QByteArray(RegistryFile::kMaxFileSize - contents.size(), ';');
    QCOMPARE(contents.size(), RegistryFile::kMaxFileSize);

    writeFile(contents);
    QCOMPARE(launch(), std::optional<std::string>("/opt/tool"));
    writeFile(contents + ";");
    QCOMPARE(launch(), std::optional<std::string>());
}

void tst_HostileRegistryFile::deeplyNestedPathStaysSmall()
{
    // Each level of a path once filed its whole parent path again: memory grew with the
    // square of the line's length.
    QByteArray contents = kHeader5 + "[HKEY_LOCAL_MACHINE";
    for (int i = 0; i < 200000; ++i)
        contents += "\\k";
    contents += "]\r\n\"v\"=\"deep\"\r\n";
    QElapsedTimer timer;
    timer.start();
    const auto model = parseRegFile(std::string_view(contents.constData(), std::size_t(contents.size())));
    QVERIFY(model);
    QCOMPARE(model->keyCount(), std::size_t(1));
    QVERIFY(model->hasKey("HKEY_LOCAL_MACHINE\\k\\k\\k"));
    QVERIFY(!model->hasKey("HKEY_LOCAL_MACHINE\\k\\j"));
    QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
}

void tst_HostileRegistryFile::removalReachesSubkeysPastSiblings()
{
    // "A B" sorts between "A" and "A\C"; removing A must still take A\C with it.
    const auto model = parseRegFile("REGEDIT4\n"
                                    "[HKEY_LOCAL_MACHINE\\A]\n"
                                    "[HKEY_LOCAL_MACHINE\\A B]\n"
                                    "[HKEY_LOCAL_MACHINE\\A\\C]\n\"v\"=\"1\"\n"
                                    "[HKEY_LOCAL_MACHINE\\P\\Q\\R]\n"
                                    "[-HKEY_LOCAL_MACHINE\\A]\n"
                                    "[-HKEY_LOCAL_MACHINE\\P\\Q\\R]\n");
    QVERIFY(model);
    QVERIFY(!model->hasKey("HKEY_LOCAL_MACHINE\\A"));
    QVERIFY(!model->hasKey("HKEY_LOCAL_MACHINE\\A\\C"));
    QVERIFY(!model->findValue("HKEY_LOCAL_MACHINE\\A\\C", "v"));
    QVERIFY(model->hasKey("HKEY_LOCAL_MACHINE\\A B"));
    // A parent made by its subkey's section stays when the subkey goes.
    QVERIFY(!model->hasKey("HKEY_LOCAL_MACHINE\\P\\Q\\R"));
    QVERIFY(model->hasKey("HKEY_LOCAL_MACHINE\\P\\Q"));
}

QTEST_GUILESS_MAIN(tst_HostileRegistryFile)
#include "tst_hostile_registry_file.moc"
