#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <optional>

namespace e2e {

using XWindow = quint64;

// Makes a child process die with the test that started it, so that a crashed or killed test
// leaves no X server, window manager or program behind.
void dieWithParent(QProcess &process);

// Polls the condition until it holds or the time is up; true when it held. Unlike QTRY_*, the
// time counts the condition's own work too (a screenshot takes a good part of the poll).
bool waitUntil(const std::function<bool()> &condition, int timeoutMs);

// A private X display for one test program: Xvfb on a free display number with openbox on it,
// so that frames, activation and closing behave as on a desktop. Nothing depends on an outside
// DISPLAY, and test programs run side by side each on its own display.
class XSession
{
public:
    XSession();
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    // Starts the server and the window manager and waits until both are ready.
    bool start(QString *error);
    void stop();

    QString display() const { return m_display; }
    bool windowManagerRunning() const;
    QSize screenSize() const;

    // The environment for a program that should show its windows on this display.
    QProcessEnvironment environment() const;

    // Runs an X tool to its end; its standard output, or nothing when it failed or timed out.
    std::optional<QByteArray> run(const QString &program, const QStringList &arguments,
                                  int timeoutMs = 10000) const;
    bool xdotool(const QStringList &arguments) const;

    // The whole screen as 8-bit RGB pixels, or a null image.
    QImage screenshot() const;

    // A window property as xprop prints it ("_NET_WM_STATE(ATOM) = ..."), or empty.
    QByteArray property(XWindow window, const QString &name) const;

    // Keeps the screen in the working folder for a look after a failed test; the file's path.
    QString saveScreenshot(const QString &name) const;

    // The window's client area on the screen, as the X server has it (no frame).
    std::optional<QRect> clientRect(XWindow window) const;

    // The viewable top-level windows of a process (of any process when pid is 0) whose title
    // matches the regular expression.
    QList<XWindow> visibleWindows(qint64 pid, const QString &titlePattern = QStringLiteral(".*")) const;
    std::optional<XWindow> waitForWindow(qint64 pid, const QString &titlePattern,
                                         int timeoutMs = 10000) const;
    bool waitUntilGone(XWindow window, int timeoutMs = 10000) const;

    // Pointer and keyboard, in screen coordinates.
    bool click(QPoint at) const;
    bool key(const QString &keys) const;
    // Asks the window manager to close the window, as its close box does.
    bool closeWindow(XWindow window) const;

private:
    bool waitForWindowManager(int timeoutMs) const;

    QTemporaryDir m_home;
    QProcess m_server;
    QProcess m_windowManager;
    QString m_display;
};

} // namespace e2e
