// The About window's "System Info..." button on a real X server, through the real registry
// stand-in, file search and program start.
#include "tavrin_driver.h"

#include "twips.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace e2e;

namespace {

// Stored position and size of cmdSysInfo in the About window, in twips.
constexpr int kSysInfoLeft = 4320;
constexpr int kSysInfoTop = 2760;
constexpr int kSysInfoWidth = 2205;
constexpr int kSysInfoHeight = 345;

constexpr int kTimeoutMs = 10000;

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(contents) == contents.size();
}

} // namespace

class TestE2eAbout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void aboutWindowIsAFixedDialogOfTheBoard();
    void boardActivationHidesTheAboutWindowAndAboutShowsItAgain();
    void okUnloadsTheAboutWindowAndTheNextShowIsAFreshOne();
    void closingTheAboutFrameLeavesTheBoardRunning();
    void systemInfoStartsTheProgramTheRegistryNames_data();
    void systemInfoStartsTheProgramTheRegistryNames();
    void systemInfoWithoutAToolShowsTheMessage_data();
    void systemInfoWithoutAToolShowsTheMessage();

private:
    // Starts the program as is and shows the About window; the About window, or nothing.
    std::optional<XWindow> showAbout();
    bool aboutShows() const
    {
        return !m_x.visibleWindows(m_tavrin->pid(), TavrinDriver::aboutTitlePattern()).isEmpty();
    }

    // Starts the program with the registry file (none when empty) and no system tools, shows
    // the About window and presses its "System Info..." button; the About window, or nothing.
    std::optional<XWindow> pressSystemInfo(const QByteArray &registry);

    XSession m_x;
    std::unique_ptr<QTemporaryDir> m_files;
    std::unique_ptr<TavrinDriver> m_tavrin;
};

void TestE2eAbout::initTestCase()
{
    QString error;
    QVERIFY2(m_x.start(&error), qPrintable(error));
}

void TestE2eAbout::cleanup()
{
    if (m_tavrin)
        finish(m_x, *m_tavrin);
    m_tavrin.reset();
    m_files.reset();
}

std::optional<XWindow> TestE2eAbout::pressSystemInfo(const QByteArray &registry)
{
    // The registry stand-in reads $XDG_CONFIG_HOME/tavrin/registry.reg, else the folders of
    // $XDG_CONFIG_DIRS, else looks for a known tool on PATH: all three are ours here.
    const QDir files(m_files->path());
    for (const char *folder : {"config/tavrin", "config-dirs", "bin"})
        if (!files.mkpath(QLatin1String(folder)))
            return std::nullopt;
    if (!registry.isEmpty()
        && !writeFile(files.filePath(QStringLiteral("config/tavrin/registry.reg")), registry))
        return std::nullopt;
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), files.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), files.filePath(QStringLiteral("config-dirs")));
    env.insert(QStringLiteral("PATH"), files.filePath(QStringLiteral("bin")));

    m_tavrin = std::make_unique<TavrinDriver>(m_x, QStringLiteral(TAVRIN_PROGRAM));
    if (!m_tavrin->start(env)) {
        qWarning("%s", qPrintable(m_tavrin->errorString()));
        return std::nullopt;
    }
    if (!m_tavrin->clickBar(TavrinDriver::About))
        return std::nullopt;
    const auto about = m_x.waitForWindow(m_tavrin->pid(), TavrinDriver::aboutTitlePattern());
    if (!about)
        return std::nullopt;
    const auto client = m_x.clientRect(*about);
    if (!client)
        return std::nullopt;
    const QRect button(twips::toPixels(kSysInfoLeft), twips::toPixels(kSysInfoTop),
                       twips::toPixels(kSysInfoWidth), twips::toPixels(kSysInfoHeight));
    if (!m_x.click(client->topLeft() + button.center()))
        return std::nullopt;
    return about;
}

std::optional<XWindow> TestE2eAbout::showAbout()
{
    if (!m_tavrin) {
        m_tavrin = std::make_unique<TavrinDriver>(m_x, QStringLiteral(TAVRIN_PROGRAM));
        if (!m_tavrin->start()) {
            qWarning("%s", qPrintable(m_tavrin->errorString()));
            return std::nullopt;
        }
    }
    if (!m_tavrin->clickBar(TavrinDriver::About))
        return std::nullopt;
    return m_x.waitForWindow(m_tavrin->pid(), TavrinDriver::aboutTitlePattern());
}

// What the window manager is told: a dialog of the board's, of one fixed size, that can be
// closed but neither minimised nor maximised.
void TestE2eAbout::aboutWindowIsAFixedDialogOfTheBoard()
{
    const auto about = showAbout();
    QVERIFY2(about, "the About window did not show");
    QCOMPARE(m_x.clientRect(*about).value_or(QRect()).size(), QSize(438, 263));
    QVERIFY(m_x.property(*about, QStringLiteral("_NET_WM_WINDOW_TYPE"))
                .contains("_NET_WM_WINDOW_TYPE_DIALOG"));

    const QByteArray transientFor = m_x.property(*about, QStringLiteral("WM_TRANSIENT_FOR"));
    const QByteArray board = "0x" + QByteArray::number(m_tavrin->boardWindow(), 16);
    QVERIFY2(transientFor.trimmed().endsWith(board), transientFor.constData());

    const QByteArray sizes = m_x.property(*about, QStringLiteral("WM_NORMAL_HINTS"));
    QVERIFY2(sizes.contains("minimum size: 438 by 263") && sizes.contains("maximum size: 438 by 263"),
             sizes.constData());

    // _MOTIF_WM_HINTS: flags, functions, decorations, ...; functions 1 all, 8 minimise, 16 maximise.
    const QByteArray motif = m_x.property(*about, QStringLiteral("_MOTIF_WM_HINTS"));
    const QList<QByteArray> fields = motif.mid(motif.indexOf('=') + 1).split(',');
    QVERIFY2(fields.size() >= 2, motif.constData());
    bool ok = false;
    const uint flags = fields.at(0).trimmed().toUInt(&ok, 0);
    QVERIFY(ok);
    const uint functions = fields.at(1).trimmed().toUInt(&ok, 0);
    QVERIFY(ok);
    QVERIFY2(flags & 1u, "no functions given: every one is allowed");
    QVERIFY2(!(functions & (1u | 8u | 16u)), motif.constData());
    QVERIFY2(functions & 32u, "the About window cannot be closed by its frame");
}

// Hiding keeps the window (and so its X window); only unloading makes a new one.
void TestE2eAbout::boardActivationHidesTheAboutWindowAndAboutShowsItAgain()
{
    const auto about = showAbout();
    QVERIFY2(about, "the About window did not show");
    // A click on the board beside the About window makes the board active again.
    const QRect aboutRect = m_x.clientRect(*about).value_or(QRect());
    const QPoint beside = m_tavrin->toScreen(QPoint(5, m_tavrin->boardRect().height() - 5));
    QVERIFY(!aboutRect.contains(beside));
    QVERIFY(m_x.click(beside));
    QVERIFY2(waitUntil([&] { return !aboutShows(); }, kTimeoutMs), "the About window stayed");
    QCOMPARE(m_tavrin->process().state(), QProcess::Running);

    const auto again = showAbout();
    QVERIFY2(again, "the About command did not show the About window again");
    QCOMPARE(*again, *about);
}

void TestE2eAbout::okUnloadsTheAboutWindowAndTheNextShowIsAFreshOne()
{
    const auto about = showAbout();
    QVERIFY2(about, "the About window did not show");
    // OK is the default button and has the focus.
    QVERIFY(m_x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                         QString::number(*about)}));
    QVERIFY(m_x.key(QStringLiteral("Return")));
    QVERIFY2(m_x.waitUntilGone(*about, kTimeoutMs), "OK did not close the About window");
    QCOMPARE(m_tavrin->process().state(), QProcess::Running);

    const auto fresh = showAbout();
    QVERIFY2(fresh, "the About command did not show a new About window");
    QVERIFY(*fresh != *about);
}

void TestE2eAbout::closingTheAboutFrameLeavesTheBoardRunning()
{
    const auto about = showAbout();
    QVERIFY2(about, "the About window did not show");
    QVERIFY(m_x.closeWindow(*about));
    QVERIFY2(m_x.waitUntilGone(*about, kTimeoutMs), "the frame did not close the About window");
    QVERIFY(!m_x.visibleWindows(m_tavrin->pid(), TavrinDriver::boardTitlePattern()).isEmpty());
    QVERIFY(!m_tavrin->process().waitForFinished(500));

    // The board goes on as before: Exit still ends the program with status 0.
    QVERIFY(m_tavrin->clickBar(TavrinDriver::Exit));
    QVERIFY(m_tavrin->process().waitForFinished(kTimeoutMs));
    QCOMPARE(m_tavrin->process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_tavrin->process().exitCode(), 0);
}

void TestE2eAbout::systemInfoStartsTheProgramTheRegistryNames_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces") << QStringLiteral("dir with space") << QStringLiteral("system info");
    // Never handed to a shell: these characters are part of the file's name.
    QTest::newRow("shell characters") << QStringLiteral("a;b & $(c)") << QStringLiteral("it's `x` | y");
}

void TestE2eAbout::systemInfoStartsTheProgramTheRegistryNames()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    m_files = std::make_unique<QTemporaryDir>();
    QVERIFY(m_files->isValid());
    QVERIFY(QDir(m_files->path()).mkpath(folder));
    const QString tool = QDir(m_files->path()).filePath(folder + QLatin1Char('/') + name);
    const QString marker = m_files->filePath(QStringLiteral("started"));
    QVERIFY(writeFile(tool, "#!/bin/sh\necho started >> '" + marker.toUtf8() + "'\n"));
    QVERIFY(QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const QByteArray registry =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\r\n"
        "\"PATH\"=\"" + tool.toUtf8() + "\"\r\n";
    const auto about = pressSystemInfo(registry);
    QVERIFY2(about, "could not press System Info in the About window");

    QVERIFY(waitUntil([&] { return QFile::exists(marker); }, kTimeoutMs));
    QVERIFY(m_x.visibleWindows(m_tavrin->pid(), TavrinDriver::messageTitlePattern()).isEmpty());
    QVERIFY(aboutShows());
    QCOMPARE(m_tavrin->process().state(), QProcess::Running);
    // Started once, by itself and not through a shell that would have run the rest of the name.
    QFile started(marker);
    QVERIFY(started.open(QIODevice::ReadOnly));
    QCOMPARE(started.readAll(), QByteArray("started\n"));
}

void TestE2eAbout::systemInfoWithoutAToolShowsTheMessage_data()
{
    QTest::addColumn<QByteArray>("registry");
    QTest::newRow("no registry file, no tool on PATH") << QByteArray();
    QTest::newRow("a path to no file")
        << QByteArray("Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\r\n"
                      "\"PATH\"=\"/nonexistent/dir with space/system info\"\r\n");
}

void TestE2eAbout::systemInfoWithoutAToolShowsTheMessage()
{
    QFETCH(QByteArray, registry);
    m_files = std::make_unique<QTemporaryDir>();
    QVERIFY(m_files->isValid());
    const auto about = pressSystemInfo(registry);
    QVERIFY2(about, "could not press System Info in the About window");

    const auto message =
        m_x.waitForWindow(m_tavrin->pid(), TavrinDriver::messageTitlePattern(), kTimeoutMs);
    QVERIFY2(message, "no message window titled \"Tavrin\" appeared");
    // A modal dialog, not the drop-down of a menu (which carries the application's name too).
    QVERIFY(m_x.property(*message, QStringLiteral("_NET_WM_WINDOW_TYPE")).contains("_NET_WM_WINDOW_TYPE_DIALOG"));
    QVERIFY(m_x.property(*message, QStringLiteral("_NET_WM_STATE")).contains("_NET_WM_STATE_MODAL"));
    QVERIFY(m_x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                         QString::number(*message)}));
    QVERIFY(m_x.key(QStringLiteral("Return")));
    QVERIFY2(m_x.waitUntilGone(*message, kTimeoutMs), "OK did not close the message");
    // The About window stays as it was.
    QVERIFY(aboutShows());
    QCOMPARE(m_tavrin->process().state(), QProcess::Running);
}

QTEST_MAIN(TestE2eAbout)
#include "tst_e2e_about.moc"
