// The launcher through the real registry stand-in and the real file search and program start:
// every route ends in one started program (it leaves its mark) or in one message.

#include "desktop_services.h"
#include "platform_test_support.h"
#include "registry_file.h"
#include "sys_info.h"

#include <QTest>

using namespace platform;
using platformtest::ConfigFolders;
using platformtest::readMarker;
using platformtest::regFile;
using platformtest::regQuoted;
using platformtest::windowsStyle;
using platformtest::writeMarkerProgram;

namespace {

// The real services, with the message box replaced by a note of its text and the starts
// counted, so that a route that both starts and tells would show.
class NotingServices : public DesktopServices
{
public:
    void startProgram(const std::string &path) override
    {
        DesktopServices::startProgram(path);
        ++starts;
    }
    void showMessage(const std::string &text) override { messages.push_back(text); }

    int starts = 0;
    std::vector<std::string> messages;
};

const std::string kUnavailable = "System Information Is Unavailable At This Time";

} // namespace

class tst_LauncherDesktop : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void everyRoute_data();
    void everyRoute();
    void withoutAFileTheBuiltInToolIsStarted();

private:
    // Runs the launcher once and checks that it either started the expected program, which
    // left its mark, or showed the one message; never both, never neither.
    void press(RegistryFile &registry, bool expectStart, const QString &expectedProgram = {});

    std::unique_ptr<ConfigFolders> m_folders;
    std::unique_ptr<QTemporaryDir> m_tools;
    QString m_tool;       // a program whose path holds spaces and shell characters
    QString m_toolFolder; // a folder holding msinfo32.exe, in lower case
    QString m_marker;
};

void tst_LauncherDesktop::init()
{
    m_folders = std::make_unique<ConfigFolders>();
    m_tools = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tools->isValid());
    m_marker = m_tools->path() + QStringLiteral("/marker");
    const QString toolDir = m_tools->path() + QStringLiteral("/Info Tools; $(x) & 'y'");
    m_toolFolder = m_tools->path() + QStringLiteral("/Shared Tools/MSInfo");
    QVERIFY(QDir().mkpath(toolDir));
    QVERIFY(QDir().mkpath(m_toolFolder));
    m_tool = toolDir + QStringLiteral("/sys info.sh");
    QVERIFY(writeMarkerProgram(m_tool, m_marker));
    QVERIFY(writeMarkerProgram(m_toolFolder + QStringLiteral("/msinfo32.exe"), m_marker));
}

void tst_LauncherDesktop::cleanup()
{
    m_folders.reset();
    m_tools.reset();
}

void tst_LauncherDesktop::press(RegistryFile &registry, bool expectStart,
                                const QString &expectedProgram)
{
    NotingServices services;
    QFile::remove(m_marker);
    sysinfo::StartSysInfo(registry, services);
    QCOMPARE(registry.openKeyCount(), std::size_t(0));
    if (expectStart) {
        QCOMPARE(services.starts, 1);
        QVERIFY(services.messages.empty());
        QTRY_COMPARE(readMarker(m_marker), expectedProgram);
    } else {
        QCOMPARE(services.starts, 0);
        QCOMPARE(services.messages, std::vector<std::string>{kUnavailable});
        QTest::qWait(100);
        QVERIFY(!QFile::exists(m_marker));
    }
}

void tst_LauncherDesktop::everyRoute_data()
{
    QTest::addColumn<QByteArray>("entries"); // registry file lines; %TOOL%, %FOLDER% replaced
    QTest::addColumn<bool>("starts");
    QTest::addColumn<QString>("program");    // TOOL or FOLDER

    const QByteArray tool = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\r\n";
    const QByteArray folder = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools Location]\r\n";
    const QString toolRun = QStringLiteral("TOOL");
    const QString folderRun = QStringLiteral("FOLDER");

    QTest::newRow("PATH names the tool") << tool + "\"PATH\"=%TOOL%\r\n" << true << toolRun;
    QTest::newRow("PATH with backslashes") << tool + "\"Path\"=%WTOOL%\r\n" << true << toolRun;
    QTest::newRow("folder holds the tool") << folder + "\"MSINFO\"=%FOLDER%\r\n" << true
                                           << folderRun;
    QTest::newRow("folder with backslashes") << folder + "\"MSINFO\"=%WFOLDER%\r\n" << true
                                             << folderRun;
    QTest::newRow("folder ending in a separator") << folder + "\"MSINFO\"=%WFOLDERSEP%\r\n"
                                                  << true << folderRun;
    QTest::newRow("folder lacks the tool") << folder + "\"MSINFO\"=%TOOLDIR%\r\n" << false
                                           << QString();
    QTest::newRow("PATH missing and folder missing") << tool + folder << false << QString();
    QTest::newRow("PATH names a missing file") << tool + "\"PATH\"=\"/no/such/tool\"\r\n"
                                                       + folder + "\"MSINFO\"=%FOLDER%\r\n"
                                               << false << QString();
    QTest::newRow("PATH names a file that may not run")
        << tool + "\"PATH\"=%DATA%\r\n" << false << QString();
    QTest::newRow("PATH names a folder") << tool + "\"PATH\"=%TOOLDIR%\r\n" << false << QString();
    QTest::newRow("PATH of another type")
        << tool + "\"PATH\"=hex(2):2f,00,00,00\r\n" + folder + "\"MSINFO\"=%FOLDER%\r\n" << false
        << QString();
    QTest::newRow("PATH as a dword") << tool + "\"PATH\"=dword:00000001\r\n" << false << QString();
    QTest::newRow("PATH empty, folder not read")
        << tool + "\"PATH\"=hex(1):\r\n" + folder + "\"MSINFO\"=%FOLDER%\r\n" << false << QString();
    QTest::newRow("folder value empty") << folder + "\"MSINFO\"=hex(1):\r\n" << false << QString();
    QTest::newRow("PATH too long, folder used")
        << tool + "\"PATH\"=\"/" + QByteArray(1100, 'x') + "\"\r\n" + folder
               + "\"MSINFO\"=%FOLDER%\r\n"
        << true << folderRun;
    QTest::newRow("PATH with a zero byte inside")
        << tool + "\"PATH\"=hex(1):2f,00,00,00,61,00,00,00\r\n" << false << QString();
}

void tst_LauncherDesktop::everyRoute()
{
    QFETCH(QByteArray, entries);
    QFETCH(bool, starts);
    QFETCH(QString, program);

    const QString data = m_tools->path() + QStringLiteral("/data.txt");
    QVERIFY(ConfigFolders::write(data, "just data\n"));
    entries.replace("%TOOL%", regQuoted(m_tool));
    entries.replace("%WTOOL%", regQuoted(QString::fromStdString(windowsStyle(m_tool))));
    entries.replace("%FOLDER%", regQuoted(m_toolFolder));
    entries.replace("%WFOLDERSEP%",
                    regQuoted(QString::fromStdString(windowsStyle(m_toolFolder + '/'))));
    entries.replace("%WFOLDER%", regQuoted(QString::fromStdString(windowsStyle(m_toolFolder))));
    entries.replace("%TOOLDIR%", regQuoted(QFileInfo(m_tool).path()));
    entries.replace("%DATA%", regQuoted(data));
    QVERIFY(m_folders->writeRegistry(regFile(entries)));

    // With a tool on the search path, so that a route falling back on the built-in value
    // would show by starting it.
    RegistryFile registry([this](const QString &) { return m_tool; });
    const QString expected = program == QLatin1String("TOOL")
        ? m_tool
        : m_toolFolder + QStringLiteral("/msinfo32.exe");
    press(registry, starts, expected);
}

void tst_LauncherDesktop::withoutAFileTheBuiltInToolIsStarted()
{
    RegistryFile withTool([this](const QString &name) {
        return name == QLatin1String("mate-system-monitor") ? m_tool : QString();
    });
    press(withTool, true, m_tool);
    RegistryFile withoutTool([](const QString &) { return QString(); });
    press(withoutTool, false);
}

QTEST_GUILESS_MAIN(tst_LauncherDesktop)
#include "tst_launcher_desktop.moc"
