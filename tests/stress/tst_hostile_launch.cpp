// Tool paths that a registry may hold and a shell would take apart: the launcher with the real
// file search and program start of this desktop must start exactly the file named, whatever
// characters its path holds, and show the one message for a file that cannot be started.
//
// Every tool here is a small script that leaves a mark named after its case. Beside each tool
// lies a decoy where a split at spaces, quotes or shell characters would land; a decoy that
// runs, or a file that a command hidden in the path would create, fails the case.

#include "desktop_services.h"
#include "registry.h"
#include "sys_info.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/types.h>
#include <unistd.h>

using namespace platform;

namespace {

// A registry that holds the one value "PATH" naming the tool, as a string with its terminator.
class PathRegistry : public Registry
{
public:
    explicit PathRegistry(std::string path) : m_path(std::move(path)) {}

    RegStatus openKey(RegRoot, const std::string &subKey, std::uint32_t, RegAccess,
                      RegHandle *handle) override
    {
        if (subKey != "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO")
            return reg::kNotFound;
        *handle = 1;
        return reg::kSuccess;
    }
    RegStatus queryValue(RegHandle, const std::string &name, RegType *type, std::uint8_t *data,
                         std::uint32_t *size) override
    {
        if (name != "PATH")
            return reg::kNotFound;
        const auto n = static_cast<std::uint32_t>(m_path.size() + 1);
        if (n > *size) {
            *size = n;
            return reg::kMoreData;
        }
        std::copy(m_path.begin(), m_path.end(), data);
        data[n - 1] = 0;
        *type = reg::kString;
        *size = n;
        return reg::kSuccess;
    }
    RegStatus closeKey(RegHandle) override { return reg::kSuccess; }

private:
    std::string m_path;
};

// The desktop's own file search and program start; only the message is counted instead of shown.
class CountingServices : public DesktopServices
{
public:
    void showMessage(const std::string &text) override
    {
        QCOMPARE(QString::fromStdString(text),
                 QStringLiteral("System Information Is Unavailable At This Time"));
        ++messages;
    }
    int messages = 0;
};

// Zombie children of this process: a started program that is never reaped leaks one each.
int zombieChildren()
{
    int zombies = 0;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ...": the name may hold spaces, so read from its last ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[0] == "Z" && fields[1].toLongLong() == ::getpid())
            ++zombies;
    }
    return zombies;
}

} // namespace

class tst_HostileLaunch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void exactFileStarts_data();
    void exactFileStarts();
    void unstartableGivesTheMessage_data();
    void unstartableGivesTheMessage();
    void toolThatExitsAtOnce();

private:
    // Writes an executable script at dir/name that leaves the mark `mark` in the mark folder.
    QString writeTool(const QString &name, const QString &mark, bool executable = true);
    bool waitForMark(const QString &mark) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_marks;
};

void tst_HostileLaunch::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_marks = m_dir->filePath(QStringLiteral("marks"));
    QVERIFY(QDir().mkpath(m_marks));
    // A command smuggled into a path would run in the working folder: make it one we watch.
    QVERIFY(QDir::setCurrent(m_dir->path()));
    qputenv("TAVRIN_TEST_MARKS", m_marks.toLocal8Bit());
}

QString tst_HostileLaunch::writeTool(const QString &name, const QString &mark, bool executable)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("#!/bin/sh\ntouch \"$TAVRIN_TEST_MARKS/" + mark.toUtf8() + "\"\n");
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    file.setPermissions(permissions);
    return path;
}

bool tst_HostileLaunch::waitForMark(const QString &mark) const
{
    return QTest::qWaitFor([&] { return QFile::exists(m_marks + u'/' + mark); }, 5000);
}

void tst_HostileLaunch::exactFileStarts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("decoys");    // files a split path would start instead
    QTest::addColumn<QStringList>("forbidden"); // files a command in the path would create

    QTest::newRow("spaces") << "System Info Tool" << QStringList{"System", "System Info"}
                            << QStringList{};
    QTest::newRow("quotes") << R"(say "hello" 'there')" << QStringList{"say"} << QStringList{};
    QTest::newRow("command substitution")
        << "tool$(touch pwned1)" << QStringList{"tool"} << QStringList{"pwned1"};
    QTest::newRow("backticks") << "tool`touch pwned2`" << QStringList{"tool"}
                               << QStringList{"pwned2"};
    QTest::newRow("semicolon") << "first;touch pwned3" << QStringList{"first"}
                               << QStringList{"pwned3"};
    QTest::newRow("ampersand") << "first & touch pwned4" << QStringList{"first"}
                               << QStringList{"pwned4"};
    QTest::newRow("pipe and redirect") << "first | tee pwned5 > pwned6" << QStringList{"first"}
                                       << QStringList{"pwned5", "pwned6"};
    QTest::newRow("newline") << "first\ntouch pwned7" << QStringList{"first"}
                             << QStringList{"pwned7"};
    QTest::newRow("non-ASCII letters") << QString::fromUtf8("Tafel Kreide \u00e4\u00f6\u00fc \u9ed2\u677f")
                                       << QStringList{"Tafel"} << QStringList{};
    QTest::newRow("leading dash") << "-rf tool" << QStringList{"-rf"} << QStringList{};
}

void tst_HostileLaunch::exactFileStarts()
{
    QFETCH(QString, name);
    QFETCH(QStringList, decoys);
    QFETCH(QStringList, forbidden);

    const QString tool = writeTool(name, QStringLiteral("tool"));
    QVERIFY(!tool.isEmpty());
    for (int i = 0; i < decoys.size(); ++i)
        QVERIFY(!writeTool(decoys[i], QStringLiteral("decoy%1").arg(i)).isEmpty());

    PathRegistry registry(tool.toStdString());
    CountingServices services;
    sysinfo::StartSysInfo(registry, services);

    QCOMPARE(services.messages, 0);
    QVERIFY2(waitForMark(QStringLiteral("tool")), "the named file did not run");
    // A wrong start would have been as quick as the right one; give it the same time.
    QTest::qWait(300);
    const QStringList marks = QDir(m_marks).entryList(QDir::Files);
    QCOMPARE(marks, QStringList{QStringLiteral("tool")});
    for (const QString &file : forbidden) {
        QVERIFY2(!QFile::exists(m_dir->filePath(file)), qPrintable(file));
        QVERIFY2(!QFile::exists(m_marks + u'/' + file), qPrintable(file));
    }
}

void tst_HostileLaunch::unstartableGivesTheMessage_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing file") << "missing";
    QTest::newRow("not executable") << "plain";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("missing, with spaces and a decoy") << "missing decoy";
    QTest::newRow("empty path") << "empty";
}

void tst_HostileLaunch::unstartableGivesTheMessage()
{
    QFETCH(QString, kind);
    QString path;
    if (kind == "missing") {
        path = m_dir->filePath(QStringLiteral("no such tool"));
    } else if (kind == "plain") {
        path = writeTool(QStringLiteral("plain tool"), QStringLiteral("plain"), false);
    } else if (kind == "folder") {
        path = m_dir->filePath(QStringLiteral("a folder"));
        QVERIFY(QDir().mkpath(path));
    } else if (kind == "missing decoy") {
        QVERIFY(!writeTool(QStringLiteral("present"), QStringLiteral("decoy")).isEmpty());
        path = m_dir->filePath(QStringLiteral("present but not this"));
    }

    PathRegistry registry(path.toStdString());
    CountingServices services;
    sysinfo::StartSysInfo(registry, services);
    QCOMPARE(services.messages, 1);
    QTest::qWait(300);
    QCOMPARE(QDir(m_marks).entryList(QDir::Files), QStringList{});
}

void tst_HostileLaunch::toolThatExitsAtOnce()
{
    const int zombiesBefore = zombieChildren();
    const QString tool = writeTool(QStringLiteral("quick tool"), QStringLiteral("quick"));
    PathRegistry registry(tool.toStdString());
    CountingServices services;
    for (int i = 0; i < 5; ++i)
        sysinfo::StartSysInfo(registry, services);
    QCOMPARE(services.messages, 0);
    QVERIFY(waitForMark(QStringLiteral("quick")));
    // A started tool is never waited for, so it must not stay behind as this process's zombie.
    QTest::qWait(500);
    QCOMPARE(zombieChildren(), zombiesBefore);
}

QTEST_GUILESS_MAIN(tst_HostileLaunch)
#include "tst_hostile_launch.moc"
