// The real program on Xvfb with openbox and on a headless sway, waiting on what they report.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>

#include <sys/prctl.h>
#include <unistd.h>

namespace {

constexpr int kDeadlineMs = 10000;
// The board below the menu bar, 9510 x 6555 twips, and the banner on it at 120, 840 twips,
// 9255 x 4695 twips, in pixels at 96 dots per inch.
const QSize kBoard(634, 437);
const QRect kBanner(8, 56, 617, 313);
const QColor kBannerBlue(0, 0, 192);
const QColor kBannerPink(255, 192, 192);
constexpr int kBannerWords = 2000;  // pale pink pixels: the words, not a stray edge
// Timer1 hides the banner 3000 ms after the board's activation, which the program hears of at least
// as soon as the test does; a busy machine may show the change seconds late, never much early.
constexpr qint64 kEarliestTickMs = 3000 - 200;
constexpr qint64 kLatestTickMs = 3000 + 3000;
// The About window, 6570 x 3945 twips, and the centres of its buttons OK (4320, 3120,
// 2220 x 705 twips) and System Info (4320, 2760, 2205 x 345 twips).
const QByteArray kAboutSize = "438 by 263";
const QPoint kOkButton(362, 231);
const QPoint kSysInfoButton(361, 195);
constexpr int kDarkText = 110;  // grey level below which a pixel of the menu bar is text
const QPoint kDescription(121, 57);  // the About window's description at 1800, 840 twips: teal, then text
const QColor kDescriptionTeal(0, 192, 192);

bool allOf(const QImage &image, const QList<QPoint> &points, const QColor &colour)
{
    return std::all_of(points.begin(), points.end(), [&](QPoint p) { return image.pixel(p) == colour.rgb(); });
}

int count(const QImage &image, const QRect &area, const QColor &colour)
{
    int found = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            found += image.pixel(x, y) == colour.rgb() ? 1 : 0;
    return found;
}

// Black all over, but for the banner while it shows: dark blue to its corners, pale pink words.
bool blackBoard(const QImage &board, bool banner)
{
    const QRect &b = kBanner;
    const QList<QPoint> corners{b.topLeft(), b.topRight(), b.bottomLeft(), b.bottomRight()};
    const int black = kBoard.width() * kBoard.height() - (banner ? b.width() * b.height() : 0);
    return board.size() == kBoard && count(board, board.rect(), Qt::black) == black
        && (!banner || (allOf(board, corners, kBannerBlue) && count(board, b, kBannerPink) > kBannerWords));
}

// The first and last column of each run of text in the bar atop a board window's client area.
QList<QPoint> barText(const QImage &client)
{
    int height = 0;  // down to the board's black
    while (height < client.height() && client.pixel(1, height) != qRgb(0, 0, 0))
        ++height;
    QList<QPoint> runs;
    for (int x = 0; x < client.width(); ++x)
        for (int y = 0; y < height; ++y)
            if (qGray(client.pixel(x, y)) < kDarkText) {
                if (runs.isEmpty() || x - runs.last().y() > height)  // a gap of a few spaces
                    runs.append({x, x});
                runs.last().setY(x);
                break;
            }
    return runs;
}

QString hex(quint64 window) { return QStringLiteral("0x%1").arg(window, 0, 16); }

// A process of the scenario, its output gathered; asked to end with the test (or its death).
class Child : public QProcess
{
public:
    explicit Child(const QProcessEnvironment &environment)
    {
        setProcessEnvironment(environment);
        setProcessChannelMode(QProcess::MergedChannels);
        setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        connect(this, &QProcess::readyRead, this, [this] { output += readAll(); });
    }
    ~Child() override
    {
        terminate();
        if (!waitForFinished(5000))
            kill();
        waitForFinished();
    }
    bool endedWithZero() { return waitForFinished(kDeadlineMs) && exitStatus() == NormalExit && !exitCode(); }
    QByteArray output;
};

// A window's client area in sway's tree, in logical pixels: the client's rectangle within the frame's.
QRect clientArea(const QJsonObject &window)
{
    const QJsonObject frame = window["rect"].toObject(), client = window["window_rect"].toObject();
    return {frame["x"].toInt() + client["x"].toInt(), frame["y"].toInt() + client["y"].toInt(),
            client["width"].toInt(), client["height"].toInt()};
}

// A client of wayvnc, whose virtual pointer and keyboard are a seat of sway's: the handshake (version 3.8,
// wayvnc's one security type, none, a shared session), then pointer and key messages in device pixels.
class Rfb : public QLocalSocket
{
public:
    bool open(const QString &path)  // true once wayvnc has sent its parameters
    {
        abort();
        connectToServer(path);
        const auto take = [this](qint64 size) {
            while (bytesAvailable() < size && waitForReadyRead(kDeadlineMs)) {}
            return read(size).size() == size;
        };
        return waitForConnected(kDeadlineMs) && take(12) && write("RFB 003.008\n") && take(2) && write("\1")
            && take(4) && write("\1") && take(24);
    }
    void pointer(QPoint at, bool pressed)
    {
        send(QDataStream(this) << quint8(5) << quint8(pressed) << quint16(at.x()) << quint16(at.y()));
    }
    void click(QPoint at) { pointer(at, true), pointer(at, false); }  // wayvnc moves, then presses
    void key(quint32 keysym)  // down, then up
    {
        send(QDataStream(this) << quint16(0x401) << quint16(0) << keysym << quint16(0x400) << quint16(0) << keysym);
    }

private:
    void send(QDataStream &) { flush(); }  // each message leaves at once, big-endian
};

} // namespace

class TestE2e : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { while (!m_children.isEmpty()) delete m_children.takeLast(); }  // servers last
    void x11();
    void scales_data();
    void scales();
    void wayland_data();
    void wayland();

private:
    Child *start(const QString &program, const QStringList &arguments = {})
    {
        const QStringList command = m_asUser + QStringList{program} + arguments;
        m_children.append(new Child(m_env));
        m_children.last()->start(command.first(), command.mid(1));
        return m_children.last();
    }
    QByteArray run(const QString &program, const QStringList &arguments, const QString &folder = {}) const
    {
        const QStringList command = m_asUser + QStringList{program} + arguments;
        Child process(m_env);
        process.setWorkingDirectory(folder);
        process.start(command.first(), command.mid(1));
        process.waitForFinished(kDeadlineMs);
        return process.output + process.readAll();
    }
    // The whole screen, as the server's own tool writes it into an empty folder.
    QImage screenshot(const QString &tool, const QStringList &arguments = {}) const
    {
        const QTemporaryDir folder;
        run(tool, arguments, folder.path());
        const QFileInfoList files = QDir(folder.path()).entryInfoList(QDir::Files);
        return files.isEmpty() ? QImage() : QImage(files[0].filePath()).convertToFormat(QImage::Format_RGB32);
    }
    void startX11(const QString &screen);
    QImage grim() const { return QImage::fromData(run("grim", {"-t", "ppm", "-"})); }  // in device pixels
    QJsonObject swayWindow(const QString &title) const  // in sway's tree, or an empty object
    {
        QList<QJsonObject> nodes{QJsonDocument::fromJson(run("swaymsg", {"-t", "get_tree"})).object()};
        while (!nodes.isEmpty() && nodes.constLast()["name"].toString() != title) {
            const QJsonObject node = nodes.takeLast();
            for (const char *key : {"nodes", "floating_nodes"})
                for (const QJsonValue child : node[key].toArray())
                    nodes.append(child.toObject());
        }
        return nodes.value(nodes.size() - 1);
    }
    QImage xScreen() const { return screenshot("import", {"-window", "root", "-depth", "8", "s.ppm"}); }
    quint64 window(const QString &title) const
    {
        return run("xdotool", {"search", "--onlyvisible", "--name", title}).split('\n')[0].toULongLong();
    }
    // xprop or xwininfo about one window.
    QByteArray x(const QString &tool, quint64 window, const QStringList &atoms = {}) const
    {
        return run(tool, QStringList{"-id", hex(window)} + atoms);
    }
    QRect geometry(quint64 window) const  // the client area on the screen, inside openbox's frame
    {
        static const QRegularExpression fields("(?s)Absolute upper-left X: +(-?\\d+).*Absolute upper-left "
                                               "Y: +(-?\\d+).*Width: (\\d+).*Height: (\\d+)");
        const QRegularExpressionMatch m = fields.match(QString::fromLatin1(x("xwininfo", window)));
        return {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt()};
    }
    void click(QPoint at) const  // a click that fails shows in the wait that follows
    {
        run("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    }

    QTemporaryDir m_home;  // mode 0700, so a runtime folder as well
    QProcessEnvironment m_env;
    QStringList m_asUser;  // what starts a command as the unprivileged user, where the test runs as root
    QList<Child *> m_children;
    QElapsedTimer m_clock;
    quint64 m_active = 0;  // as openbox reports it
    qint64 m_activeSince = -1;
};

void TestE2e::init()
{
    m_env = QProcessEnvironment::systemEnvironment();
    m_env.insert("HOME", m_home.path());
    m_env.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
    m_env.insert("XDG_RUNTIME_DIR", m_home.path());
    m_asUser.clear();
    m_clock.start();
}

// Xvfb with a screen of the given size, managed by openbox; the program's display from now on.
void TestE2e::startX11(const QString &screen)
{
    Child *xvfb = start("Xvfb", {"-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"});
    const QRegularExpression number("^(\\d+)\\n", QRegularExpression::MultilineOption);
    QTRY_VERIFY2_WITH_TIMEOUT(number.match(QString::fromLatin1(xvfb->output)).hasMatch(), xvfb->output,
                              kDeadlineMs);
    m_env.insert("DISPLAY", ":" + number.match(QString::fromLatin1(xvfb->output)).captured(1));
    m_env.insert("QT_QPA_PLATFORM", "xcb");
    // openbox runs its start-up command once it manages the screen.
    Child *openbox = start("openbox", {"--sm-disable", "--startup", "echo openbox-manages"});
    QTRY_VERIFY2_WITH_TIMEOUT(openbox->output.contains("openbox-manages"), openbox->output, kDeadlineMs);
}

void TestE2e::x11()
{
    startX11("800x600x24");
    Child *spy = start("xprop", {"-spy", "-root", "_NET_ACTIVE_WINDOW"});
    connect(spy, &QProcess::readyRead, this, [this, spy] {
        static const QRegularExpression last("(?s).*# (0x[0-9a-f]+)\\n");  // the last whole line
        const auto active = last.match(QString::fromLatin1(spy->output)).captured(1).toULongLong(nullptr, 0);
        m_activeSince = active == m_active ? m_activeSince : m_clock.elapsed();
        m_active = active;
    });
    QTRY_VERIFY_WITH_TIMEOUT(spy->output.contains("_NET_ACTIVE_WINDOW"), kDeadlineMs);

    // The registry names a System Information tool that does not exist.
    QVERIFY(QDir().mkpath(m_home.filePath("config/tavrin")));
    QFile registry(m_home.filePath("config/tavrin/registry.reg"));
    QVERIFY(registry.open(QIODevice::WriteOnly)
            && registry.write("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                              "Microsoft\\Shared Tools\\MSINFO]\r\n\"PATH\"=\"/nonexistent/tool\"\r\n") > 0
            && registry.flush());
    // Qt's own options, of which none may take effect: the program reads no command line.
    Child *tavrin = start(TAVRIN_PROGRAM, {"-qwindowtitle", "Foo", "-reverse", "-style", "fusion"});
    // Nothing else runs while the board's activation is awaited, so its moment is taken as it comes.
    QTRY_VERIFY_WITH_TIMEOUT(m_active != 0, kDeadlineMs);
    quint64 board = m_active, about = 0, fresh = 0, message = 0;
    const QByteArray identity = x("xprop", board, {"WM_CLASS", "_NET_WM_ICON"});
    QVERIFY2(identity.contains("WM_CLASS(STRING) = \"tavrin\", \"org.tavrin.Tavrin\"\n"), identity.left(99));
    QVERIFY(identity.contains("Icon (16 x 16)") && identity.contains("Icon (32 x 32)"));

    const QRect client = geometry(board);
    const QRect onScreen(client.bottomLeft() - QPoint(0, kBoard.height() - 1), kBoard);
    QTRY_VERIFY_WITH_TIMEOUT(blackBoard(xScreen().copy(onScreen), true), kDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(blackBoard(xScreen().copy(onScreen), false), kDeadlineMs);
    const qint64 bannerMs = m_clock.elapsed() - m_activeSince;
    qInfo("the banner went %lld ms after the board's activation", bannerMs);
    QVERIFY(bannerMs >= kEarliestTickMs && bannerMs <= kLatestTickMs);

    // A zig-zag reported while the program is stopped: each queued move must make its own segment.
    QList<QPoint> corners;
    QStringList moves;  // --sync waits for the server to move the pointer: the first corner is elsewhere
    for (int i = 0; i < 20; ++i) {
        corners.append(onScreen.topLeft() + QPoint(20 + 30 * i, i % 2 == 0 ? 384 : 430));
        moves << "mousemove" << "--sync" << QString::number(corners[i].x()) << QString::number(corners[i].y())
              << (i == 0 ? "mousedown" : "sleep") << (i == 0 ? "1" : "0.001");
    }
    QCOMPARE(::kill(pid_t(tavrin->processId()), SIGSTOP), 0);
    run("xdotool", moves << "mouseup" << "1");
    QCOMPARE(::kill(pid_t(tavrin->processId()), SIGCONT), 0);
    QTRY_VERIFY_WITH_TIMEOUT(allOf(xScreen(), corners, Qt::white), kDeadlineMs);

    // The bar's five entries, About at the right end.
    const QList<QPoint> runs = barText(xScreen().copy(client));  // five: scales() checks
    const QPoint aboutEntry = client.topLeft() + QPoint(runs.last().y() - 2, 4);

    // The About window: a fixed-size dialog of the board, hidden (not unloaded) when the board
    // becomes active, unloaded by OK and loaded afresh by the next About.
    click(aboutEntry);
    QTRY_VERIFY_WITH_TIMEOUT((about = window("^About Tavrin$")) != 0, kDeadlineMs);
    const QByteArray hints = x("xprop", about, {"WM_NORMAL_HINTS", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE"});
    QVERIFY2(hints.contains("minimum size: " + kAboutSize)
                 && hints.contains("maximum size: " + kAboutSize)
                 && (hints.contains("_WINDOW_TYPE_DIALOG") || hints.contains("_STATE_SKIP_TASKBAR")),
             hints);
    click(onScreen.topLeft() + QPoint(2, 2));  // left of the About window, which openbox centres
    QTRY_VERIFY_WITH_TIMEOUT(x("xwininfo", about).contains("IsUnMapped"), kDeadlineMs);
    click(aboutEntry);
    QTRY_COMPARE_WITH_TIMEOUT(window("^About Tavrin$"), about, kDeadlineMs);
    click(geometry(about).topLeft() + kOkButton);
    QTRY_VERIFY_WITH_TIMEOUT(x("xwininfo", about).contains("No such window"), kDeadlineMs);
    click(aboutEntry);
    QTRY_VERIFY_WITH_TIMEOUT((fresh = window("^About Tavrin$")) != 0, kDeadlineMs);
    QTRY_COMPARE_WITH_TIMEOUT(m_active, fresh, kDeadlineMs);

    // System Info's message is modal, over the About window, titled with the application title.
    click(geometry(fresh).topLeft() + kSysInfoButton);
    QTRY_VERIFY_WITH_TIMEOUT((message = window("^Tavrin$")) != 0, kDeadlineMs);
    const QByteArray modal = x("xprop", message, {"WM_TRANSIENT_FOR", "_NET_WM_STATE"});
    QVERIFY2(modal.contains("# " + hex(fresh).toLatin1()) && modal.contains("_NET_WM_STATE_MODAL"), modal);
    run("wmctrl", {"-i", "-c", hex(message)});
    QTRY_VERIFY_WITH_TIMEOUT(x("xwininfo", message).contains("No such window"), kDeadlineMs);

    // The board's frame closes the program, with status 0, though the About window shows.
    run("wmctrl", {"-i", "-c", hex(board)});
    QVERIFY2(tavrin->endedWithZero(), tavrin->output);
}

// The bar at the scales desktops offer, with Liberation Sans and without: five runs of text, the
// last of them About, not the overflow button that would hold it.
void TestE2e::scales_data()
{
    QTest::addColumn<QString>("scale");
    QTest::addColumn<QString>("fonts");  // fontconfig's setup
    for (const char *scale : {"1", "1.25", "1.5", "1.75", "2", "2.25", "2.5", "3"})
        for (const char *fonts : {"/etc/fonts/fonts.conf", "no_liberation.conf"})
            QTest::addRow("%s %s", scale, fonts) << scale << QFINDTESTDATA(fonts);
}

void TestE2e::scales()
{
    QFETCH(QString, scale);
    QFETCH(QString, fonts);
    m_env.insert("FONTCONFIG_FILE", fonts);
    m_env.insert("QT_SCALE_FACTOR", scale);
    startX11("2000x1500x24");
    start(TAVRIN_PROGRAM);
    quint64 board = 0;
    QTRY_VERIFY_WITH_TIMEOUT((board = window("^Tavrin version 1\\.0$")) != 0, kDeadlineMs);
    const QRect client = geometry(board);
    QList<QPoint> runs;
    QTRY_COMPARE_WITH_TIMEOUT((runs = barText(xScreen().copy(client))).size(), 5, kDeadlineMs);
    click(client.topLeft() + QPoint((runs.last().x() + runs.last().y()) / 2, 4));
    QTRY_VERIFY_WITH_TIMEOUT(window("^About Tavrin$") != 0, kDeadlineMs);
}

void TestE2e::wayland_data()
{
    QTest::addColumn<int>("scale");
    QTest::newRow("scale 1") << 1;
    QTest::newRow("scale 2") << 2;
}

void TestE2e::wayland()
{
    QFETCH(const int, scale);
    for (const char *tool : {"sway", "swaymsg", "wayvnc", "grim"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QSKIP(qPrintable(QStringLiteral("no %1: the Wayland scenario needs sway, wayvnc and grim").arg(tool)));
    QString program = TAVRIN_PROGRAM;
    if (::geteuid() == 0) {  // sway will not run as root: it and its clients run as nobody, at home here
        program = m_home.filePath("tavrin");  // where nobody reaches it
        QVERIFY(run("chown", {"nobody:nogroup", m_home.path()}).isEmpty()
                && (QFile::exists(program) || QFile::copy(TAVRIN_PROGRAM, program)));
        m_asUser = QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"};
    }
    // One output of 800 x 600 logical pixels; windows float. sway runs exec once it listens.
    QFile config(m_home.filePath("sway.conf"));
    QVERIFY(config.open(QIODevice::WriteOnly)
            && config.write(QStringLiteral("xwayland disable\noutput HEADLESS-1 resolution %1x%2 scale %3\n"
                                           "for_window [app_id=\".*\"] floating enable\n"
                                           "exec echo sway-ready $WAYLAND_DISPLAY $SWAYSOCK\n")
                                .arg(800 * scale).arg(600 * scale).arg(scale).toLatin1()) > 0
            && config.flush());
    Child *sway = start("env", {"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1", "WLR_RENDERER=pixman",
                                "sway", "-c", config.fileName()});
    static const QRegularExpression ready("sway-ready (\\S+) (\\S+)\\n");
    QTRY_VERIFY2_WITH_TIMEOUT(ready.match(QString::fromLatin1(sway->output)).hasMatch(), sway->output, kDeadlineMs);
    m_env.insert("WAYLAND_DISPLAY", ready.match(QString::fromLatin1(sway->output)).captured(1));
    m_env.insert("SWAYSOCK", ready.match(QString::fromLatin1(sway->output)).captured(2));
    // wayvnc on a socket in the private folder, out of the way of any other server on this machine.
    const QString vncSocket = m_home.filePath("vnc");
    QFile::remove(vncSocket);
    start("wayvnc", {"--unix-socket", vncSocket});
    Rfb vnc;
    QTRY_VERIFY_WITH_TIMEOUT(vnc.open(vncSocket), kDeadlineMs);
    vnc.pointer(QPoint(8, 8) * scale, false);  // sway draws the pointer into its pictures: off the board

    Child *tavrin = start("env", {"QT_QPA_PLATFORM=wayland", "WAYLAND_DEBUG=client", program});  // with its log
    QRect client, board;  // where sway has placed them, as it shows the banner there
    const auto boardShot = [&] {
        client = clientArea(swayWindow("Tavrin version 1.0"));
        board = QRect(QPoint(client.left(), client.bottom() + 1 - kBoard.height()) * scale, kBoard * scale);
        return grim().copy(board).scaled(kBoard);  // one device pixel of each logical one
    };
    QTRY_VERIFY_WITH_TIMEOUT(blackBoard(boardShot(), true), kDeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(blackBoard(boardShot(), false), kDeadlineMs);
    QVERIFY(swayWindow("Tavrin version 1.0")["focused"].toBool() && client.width() == kBoard.width()
            && tavrin->output.contains(".set_app_id(\"org.tavrin.Tavrin\")"));
    // At scale 2 the program draws twice as many device pixels, not a picture that sway enlarges.
    QVERIFY(scale == 1 || tavrin->output.contains(".set_buffer_scale(2)"));
    // Timed by the program's own log (a 32-bit count of microseconds), whatever the pictures cost: from
    // the board's first buffer, which sway activates at once, to the banner's size sent as damage.
    const auto moment = [tavrin](const QString &message) {
        const QRegularExpression line("\\[ *(\\d+\\.\\d+)\\][^\\n]*" + message);
        return line.match(QString::fromLatin1(tavrin->output)).captured(1).remove('.').toUInt();
    };
    const QString hidden = QStringLiteral("damage_buffer\\(\\d+, \\d+, %1, %2\\)").arg(kBanner.width() * scale)
                               .arg(kBanner.height() * scale);
    QTRY_VERIFY_WITH_TIMEOUT(moment(hidden) > 0, kDeadlineMs);
    const quint32 tickMs = quint32(moment(hidden) - moment("attach\\(")) / 1000;
    qInfo("the banner went %u ms after the board's first buffer", tickMs);
    QVERIFY(tickMs >= kEarliestTickMs && tickMs <= kLatestTickMs);

    // A zig-zag and a level stretch, sent while the program is stopped: each queued move must make its
    // own segment, as many device pixels thick as the scale.
    QList<QPoint> corners;
    for (int i = 0; i < 21; ++i)
        corners.append(board.topLeft() + QPoint(20 + 30 * i, i % 2 == 0 && i < 20 ? 384 : 430) * scale);
    const QRect marker(QPoint(0, 300) * scale, QSize(4, 4));  // on the desktop, left of the board
    const QImage before = grim();
    QCOMPARE(::kill(pid_t(tavrin->processId()), SIGSTOP), 0);
    for (const QPoint &at : corners)
        vnc.pointer(at, true);
    vnc.pointer(corners.last(), false);
    vnc.pointer(marker.topLeft(), false);  // sway draws its pointer there once it has passed on every move
    QTRY_VERIFY_WITH_TIMEOUT(grim().copy(marker) != before.copy(marker), kDeadlineMs);
    QCOMPARE(::kill(pid_t(tavrin->processId()), SIGCONT), 0);
    QTRY_VERIFY_WITH_TIMEOUT(allOf(grim(), corners, Qt::white), kDeadlineMs);
    const QImage across = grim().copy(corners.last().x() - 15 * scale, board.top(), 1, board.height());
    QCOMPARE(count(across, across.rect(), Qt::white), scale);
    QCOMPARE(count(across, across.rect(), Qt::black), board.height() - scale);

    // About, the bar's last text, opens in front of the board; Esc closes it. Exit, the first, ends the program.
    const QRect clientPixels(client.topLeft() * scale, client.size() * scale);
    const QList<QPoint> runs = barText(grim().copy(clientPixels));
    QCOMPARE(runs.size(), 5);
    const int middle = clientPixels.top() + (client.height() - kBoard.height()) * scale / 2;
    vnc.click(QPoint(clientPixels.left() + runs.last().y() - 2 * scale, middle));
    QTRY_VERIFY_WITH_TIMEOUT(swayWindow("About Tavrin")["focused"].toBool(), kDeadlineMs);
    const QPoint description = (clientArea(swayWindow("About Tavrin")).topLeft() + kDescription) * scale;
    QVERIFY(board.contains(description));
    QTRY_COMPARE_WITH_TIMEOUT(grim().pixel(description), kDescriptionTeal.rgb(), kDeadlineMs);
    vnc.key(0xff1b);  // Escape
    QTRY_VERIFY_WITH_TIMEOUT(swayWindow("About Tavrin").isEmpty(), kDeadlineMs);
    vnc.click(QPoint(clientPixels.left() + runs.first().x() + 2 * scale, middle));
    QVERIFY2(tavrin->endedWithZero(), tavrin->output.right(2000));
}

QTEST_GUILESS_MAIN(TestE2e)
#include "tst_e2e.moc"
