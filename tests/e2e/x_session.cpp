#include "x_session.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>

namespace e2e {

namespace {

constexpr int kStartTimeoutMs = 30000;
constexpr int kPollMs = 50;
const QString kScreen = QStringLiteral("1024x768x24");

std::optional<int> field(const QByteArray &xwininfo, const char *name)
{
    const QRegularExpression pattern(QStringLiteral("%1:\\s*(-?\\d+)").arg(QLatin1String(name)));
    const auto match = pattern.match(QString::fromLatin1(xwininfo));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

} // namespace

void dieWithParent(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(kPollMs);
    }
    return true;
}

XSession::XSession() = default;

XSession::~XSession()
{
    stop();
}

bool XSession::start(QString *error)
{
    if (!m_home.isValid()) {
        *error = QStringLiteral("no temporary folder for the window manager");
        return false;
    }
    // -displayfd picks a free display number and writes it once the server accepts clients.
    m_server.setProgram(QStringLiteral("Xvfb"));
    m_server.setArguments({QStringLiteral("-displayfd"), QStringLiteral("1"),
                           QStringLiteral("-screen"), QStringLiteral("0"), kScreen,
                           QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    m_server.setProcessChannelMode(QProcess::SeparateChannels);
    dieWithParent(m_server);
    m_server.start();
    if (!m_server.waitForStarted(kStartTimeoutMs)) {
        *error = QStringLiteral("Xvfb did not start: %1").arg(m_server.errorString());
        return false;
    }
    QByteArray number;
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!number.contains('\n') && !deadline.hasExpired()
           && m_server.state() == QProcess::Running) {
        m_server.waitForReadyRead(kPollMs);
        number += m_server.readAllStandardOutput();
    }
    if (!number.contains('\n')) {
        *error = QStringLiteral("Xvfb gave no display number: %1")
                     .arg(QString::fromLocal8Bit(m_server.readAllStandardError()));
        return false;
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

    // The window manager reads its settings from an empty home, so the desktop's defaults hold.
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("HOME"), m_home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
    m_windowManager.setProcessEnvironment(env);
    m_windowManager.setProgram(QStringLiteral("openbox"));
    m_windowManager.setArguments({QStringLiteral("--sm-disable")});
    m_windowManager.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_windowManager.setStandardOutputFile(QProcess::nullDevice());
    dieWithParent(m_windowManager);
    // Now and then, on a busy machine, openbox ended at start without a word: start it again.
    constexpr int kAttempts = 3;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        m_windowManager.start();
        if (!m_windowManager.waitForStarted(kStartTimeoutMs)) {
            *error = QStringLiteral("openbox did not start: %1").arg(m_windowManager.errorString());
            return false;
        }
        if (waitForWindowManager(kStartTimeoutMs / kAttempts))
            return true;
        const bool running = windowManagerRunning();
        m_windowManager.kill();
        m_windowManager.waitForFinished(5000);
        *error = QStringLiteral("openbox did not take over the display %1 (%2)")
                     .arg(m_display, running ? QStringLiteral("it ran")
                                             : QStringLiteral("it ended with status %1")
                                                   .arg(m_windowManager.exitCode()));
        qWarning("attempt %d: %s", attempt, qPrintable(*error));
    }
    return false;
}

bool XSession::waitForWindowManager(int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const auto out = run(QStringLiteral("xprop"),
                             {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        if (out && out->contains("window id"))
            return true;
        QThread::msleep(kPollMs);
    }
    return false;
}

void XSession::stop()
{
    for (QProcess *process : {&m_windowManager, &m_server}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
}

bool XSession::windowManagerRunning() const
{
    // Without an event loop QProcess learns late of an end: ask the system, zombies included.
    QFile status(QStringLiteral("/proc/%1/status").arg(m_windowManager.processId()));
    if (m_windowManager.processId() <= 0 || !status.open(QIODevice::ReadOnly))
        return false;
    return !status.readAll().contains("State:\tZ");
}

QSize XSession::screenSize() const
{
    const QStringList size = kScreen.split(QLatin1Char('x'));
    return {size.at(0).toInt(), size.at(1).toInt()};
}

QProcessEnvironment XSession::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("XAUTHORITY"));
    env.remove(QStringLiteral("SESSION_MANAGER"));
    return env;
}

std::optional<QByteArray> XSession::run(const QString &program, const QStringList &arguments,
                                        int timeoutMs) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setProcessChannelMode(QProcess::SeparateChannels);
    dieWithParent(process);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput();
}

bool XSession::xdotool(const QStringList &arguments) const
{
    return run(QStringLiteral("xdotool"), arguments).has_value();
}

QImage XSession::screenshot() const
{
    const auto ppm = run(QStringLiteral("import"),
                         {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-depth"),
                          QStringLiteral("8"), QStringLiteral("ppm:-")});
    if (!ppm)
        return {};
    return QImage::fromData(*ppm, "PPM").convertToFormat(QImage::Format_RGB32);
}

QByteArray XSession::property(XWindow window, const QString &name) const
{
    return run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window), name})
        .value_or(QByteArray());
}

QString XSession::saveScreenshot(const QString &name) const
{
    QString file = name;
    file.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.-]+")), QStringLiteral("_"));
    file = QDir::current().absoluteFilePath(file + QStringLiteral(".png"));
    return screenshot().save(file) ? file : QString();
}

std::optional<QRect> XSession::clientRect(XWindow window) const
{
    const auto info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
    if (!info)
        return std::nullopt;
    const auto x = field(*info, "Absolute upper-left X");
    const auto y = field(*info, "Absolute upper-left Y");
    const auto width = field(*info, "Width");
    const auto height = field(*info, "Height");
    if (!x || !y || !width || !height)
        return std::nullopt;
    return QRect(*x, *y, *width, *height);
}

QList<XWindow> XSession::visibleWindows(qint64 pid, const QString &titlePattern) const
{
    // Without --all, xdotool lists the windows that meet any one of the conditions.
    QStringList arguments{QStringLiteral("search"), QStringLiteral("--all"),
                          QStringLiteral("--onlyvisible")};
    if (pid != 0)
        arguments << QStringLiteral("--pid") << QString::number(pid);
    arguments << QStringLiteral("--name") << titlePattern;

    constexpr int kAttempts = 5;
    QList<XWindow> windows;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        QProcess process;
        process.setProcessEnvironment(environment());
        dieWithParent(process);
        process.start(QStringLiteral("xdotool"), arguments);
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
            continue;
        }
        // Status 1 alone means nothing matched. A window destroyed while xdotool looks at it
        // ends the search with an X error on stderr: the list is then incomplete, so look again.
        const bool clean = process.exitStatus() == QProcess::NormalExit
            && (process.exitCode() == 0 || process.exitCode() == 1)
            && process.readAllStandardError().trimmed().isEmpty();
        if (!clean) {
            QThread::msleep(kPollMs);
            continue;
        }
        const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
        for (const QByteArray &line : lines) {
            bool ok = false;
            const XWindow id = line.trimmed().toULongLong(&ok);
            if (ok)
                windows.append(id);
        }
        break;
    }
    return windows;
}

std::optional<XWindow> XSession::waitForWindow(qint64 pid, const QString &titlePattern,
                                               int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    do {
        const QList<XWindow> windows = visibleWindows(pid, titlePattern);
        if (!windows.isEmpty())
            return windows.constFirst();
        QThread::msleep(kPollMs);
    } while (!deadline.hasExpired());
    return std::nullopt;
}

bool XSession::waitUntilGone(XWindow window, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    do {
        const auto info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
        if (!info || !info->contains("IsViewable"))
            return true;
        QThread::msleep(kPollMs);
    } while (!deadline.hasExpired());
    return false;
}

bool XSession::click(QPoint at) const
{
    return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                    QStringLiteral("click"), QStringLiteral("1")});
}

bool XSession::key(const QString &keys) const
{
    return xdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
}

bool XSession::closeWindow(XWindow window) const
{
    // _NET_CLOSE_WINDOW: openbox then sends WM_DELETE_WINDOW. Alt+F4 does the same through a key
    // grab, which now and then missed the key under load.
    return run(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-c"),
                                          QString::number(window)})
        .has_value();
}

} // namespace e2e
