#include "tavrin_driver.h"

#include "twips.h"

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <algorithm>

namespace e2e {

namespace {

constexpr int kStartTimeoutMs = 30000;
constexpr int kMenuTimeoutMs = 5000;
constexpr int kPollMs = 50;
// Text on the menu bar and in its menus is dark on a light face.
constexpr int kDarkTextGrey = 110;
// Words of one caption lie a space apart; entries lie many spaces apart.
constexpr int kEntryGap = 10;
constexpr int kMenuItemGap = 3;

// Stored position and size of the welcome banner, in twips.
constexpr int kBannerLeft = 120;
constexpr int kBannerTop = 840;
constexpr int kBannerWidth = 9255;
constexpr int kBannerHeight = 4695;

bool isDark(QRgb pixel)
{
    return qGray(pixel) < kDarkTextGrey;
}

// Runs of indices whose flag is set, merged where less than `gap` unset indices part them.
QList<std::pair<int, int>> runs(const QList<bool> &flags, int gap)
{
    QList<std::pair<int, int>> found;
    for (int i = 0; i < flags.size(); ++i) {
        if (!flags.at(i))
            continue;
        if (!found.isEmpty() && i - found.last().second <= gap)
            found.last().second = i;
        else
            found.append({i, i});
    }
    return found;
}

} // namespace

QColor TavrinDriver::rgb(Colour colour)
{
    static const QColor table[ColourCount] = {
        QColor(0, 0, 0),     QColor(0, 0, 255),   QColor(255, 0, 0),     QColor(255, 255, 0),
        QColor(0, 255, 0),   QColor(255, 0, 255), QColor(255, 255, 255),
    };
    return table[colour];
}

QRect TavrinDriver::bannerRect()
{
    return {twips::toPixels(kBannerLeft), twips::toPixels(kBannerTop),
            twips::toPixels(kBannerWidth), twips::toPixels(kBannerHeight)};
}

TavrinDriver::TavrinDriver(const XSession &x, const QString &program)
    : m_x(x), m_program(qEnvironmentVariable("TAVRIN_E2E_PROGRAM", program))
{
}

TavrinDriver::~TavrinDriver()
{
    stop();
}

bool TavrinDriver::start(const QProcessEnvironment &extra)
{
    QProcessEnvironment env = m_x.environment();
    for (const QString &name : extra.keys())
        env.insert(name, extra.value(name));
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    dieWithParent(m_process);
    // The pointer waits outside the program's windows, so no entry shows hovered.
    const QSize screen = m_x.screenSize();
    m_x.xdotool({QStringLiteral("mousemove"), QString::number(screen.width() - 1),
                 QString::number(screen.height() - 1)});
    m_process.start(m_program, QStringList());
    if (!m_process.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("tavrin did not start: %1").arg(m_process.errorString());
        return false;
    }
    m_pid = m_process.processId();
    const auto window = m_x.waitForWindow(pid(), boardTitlePattern(), kStartTimeoutMs);
    if (!window) {
        if (m_process.state() == QProcess::Running)
            qWarning("%s", qPrintable(stacks()));
        m_error = QStringLiteral("no window titled \"Tavrin version 1.0\" appeared; %1; %2; the screen: %3")
                      .arg(m_process.state() == QProcess::Running
                               ? QStringLiteral("the program runs (its threads are shown above)")
                               : QStringLiteral("the program ended with %1: %2")
                                     .arg(m_process.exitCode())
                                     .arg(QString::fromLocal8Bit(m_process.readAllStandardError())),
                           m_x.windowManagerRunning() ? QStringLiteral("openbox runs")
                                                      : QStringLiteral("openbox has ended"),
                           m_x.saveScreenshot(QStringLiteral("start-%1").arg(m_pid)));
        return false;
    }
    m_window = *window;
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!measure()) {
        if (deadline.hasExpired()) {
            m_error = QStringLiteral("the board window never showed a menu bar above a black board");
            return false;
        }
        QThread::msleep(kPollMs);
    }
    return true;
}

// The board is black at start: the menu bar ends where the black begins, seen from below in
// a column left of the banner.
bool TavrinDriver::measure()
{
    const auto client = m_x.clientRect(m_window);
    if (!client || client->isEmpty())
        return false;
    const QImage image = m_x.screenshot().copy(*client);
    if (image.isNull())
        return false;
    const int column = bannerRect().left() / 2;
    int row = image.height() - 1;
    while (row >= 0 && image.pixel(column, row) == qRgb(0, 0, 0))
        --row;
    const int barHeight = row + 1;
    if (barHeight <= 0 || barHeight == image.height())
        return false;
    // The bar must be painted: some text on it.
    bool text = false;
    for (int x = 0; x < image.width() && !text; ++x)
        for (int y = 0; y < barHeight && !text; ++y)
            text = isDark(image.pixel(x, y));
    if (!text)
        return false;
    m_client = *client;
    m_board = QRect(client->left(), client->top() + barHeight, client->width(),
                    client->height() - barHeight);
    return true;
}

// Where the program's threads are, when gdb is there to tell.
QString TavrinDriver::stacks() const
{
    const QString gdb = QStandardPaths::findExecutable(QStringLiteral("gdb"));
    if (gdb.isEmpty())
        return QStringLiteral("(no gdb to show where it is)");
    QProcess process;
    process.start(gdb, {QStringLiteral("-p"), QString::number(m_pid), QStringLiteral("-batch"),
                        QStringLiteral("-ex"), QStringLiteral("thread apply all bt")});
    process.waitForFinished(60000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QByteArray TavrinDriver::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    return m_process.readAllStandardError();
}

QImage TavrinDriver::boardImage() const
{
    const QImage screen = m_x.screenshot();
    return screen.isNull() ? screen : screen.copy(m_board);
}

QImage TavrinDriver::clientImage() const
{
    const QImage screen = m_x.screenshot();
    return screen.isNull() ? screen : screen.copy(m_client);
}

QList<QRect> TavrinDriver::menuBarEntries() const
{
    const QImage image = clientImage();
    QList<QRect> entries;
    if (image.isNull())
        return entries;
    const int barHeight = menuBarHeight();
    QList<bool> columns(image.width(), false);
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < barHeight; ++y)
            columns[x] = columns[x] || isDark(image.pixel(x, y));
    for (const auto &[left, right] : runs(columns, kEntryGap)) {
        int top = barHeight;
        int bottom = -1;
        for (int x = left; x <= right; ++x)
            for (int y = 0; y < barHeight; ++y)
                if (isDark(image.pixel(x, y))) {
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        entries.append(QRect(QPoint(left, top), QPoint(right, bottom)).translated(m_client.topLeft()));
    }
    return entries;
}

bool TavrinDriver::clickBar(BarEntry entry)
{
    const QList<QRect> entries = menuBarEntries();
    if (entries.size() != BarEntryCount)
        return false;
    return m_x.click(entries.at(entry).center());
}

bool TavrinDriver::choose(BarEntry submenu, Colour colour)
{
    const QList<XWindow> before = m_x.visibleWindows(pid());
    if (!clickBar(submenu))
        return false;
    // The drop-down list is a window of its own that the click brings up.
    std::optional<XWindow> popup;
    const QDeadlineTimer deadline(kMenuTimeoutMs);
    while (!popup && !deadline.hasExpired()) {
        for (XWindow window : m_x.visibleWindows(pid()))
            if (!before.contains(window))
                popup = window;
        if (!popup)
            QThread::msleep(kPollMs);
    }
    if (!popup)
        return false;
    const auto rect = m_x.clientRect(*popup);
    if (!rect)
        return false;
    // Its items are rows of dark text; wait until all of them are painted.
    QList<std::pair<int, int>> items;
    QImage image;
    while (items.size() != ColourCount && !deadline.hasExpired()) {
        image = m_x.screenshot().copy(*rect);
        QList<bool> rows(image.height(), false);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                rows[y] = rows[y] || isDark(image.pixel(x, y));
        items = runs(rows, kMenuItemGap);
        if (items.size() != ColourCount)
            QThread::msleep(kPollMs);
    }
    if (items.size() != ColourCount)
        return false;
    const auto [top, bottom] = items.at(colour);
    int left = image.width();
    int right = -1;
    for (int y = top; y <= bottom; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isDark(image.pixel(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    if (!m_x.click(rect->topLeft() + QPoint((left + right) / 2, (top + bottom) / 2)))
        return false;
    return m_x.waitUntilGone(*popup, kMenuTimeoutMs);
}

bool TavrinDriver::stroke(const QList<QPoint> &boardPoints)
{
    if (boardPoints.isEmpty())
        return false;
    // --sync waits until the server has the pointer at the new place, so that each position is
    // reported on its own; it would wait for ever on a move to where the pointer already is.
    QStringList args;
    auto moveTo = [&](QPoint board, bool sync) {
        const QPoint at = toScreen(board);
        args << QStringLiteral("mousemove");
        if (sync)
            args << QStringLiteral("--sync");
        args << QString::number(at.x()) << QString::number(at.y());
    };
    moveTo(boardPoints.constFirst(), false);
    args << QStringLiteral("mousedown") << QStringLiteral("1");
    for (qsizetype i = 1; i < boardPoints.size(); ++i) {
        if (boardPoints.at(i) == boardPoints.at(i - 1))
            continue;
        args << QStringLiteral("sleep") << QStringLiteral("0.02");
        moveTo(boardPoints.at(i), true);
    }
    args << QStringLiteral("sleep") << QStringLiteral("0.02") << QStringLiteral("mouseup")
         << QStringLiteral("1");
    return m_x.xdotool(args);
}

void finish(const XSession &x, TavrinDriver &tavrin)
{
    if (!QTest::currentTestFailed()) {
        tavrin.stop();
        return;
    }
    QString name = QString::fromLatin1(QTest::currentTestFunction());
    if (QTest::currentDataTag())
        name += QLatin1Char('-') + QString::fromLatin1(QTest::currentDataTag());
    const QString shot = x.saveScreenshot(name);
    if (!shot.isEmpty())
        qWarning("the screen at the failure: %s", qPrintable(shot));
    const QByteArray errors = tavrin.stop();
    if (!errors.isEmpty())
        qWarning("tavrin wrote:\n%s", errors.constData());
}

int countPixels(const QImage &image, const QRect &area, QColor colour)
{
    const QRect clipped = area.intersected(image.rect());
    const QRgb wanted = colour.rgb();
    int count = 0;
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            count += image.pixel(x, y) == wanted ? 1 : 0;
    return count;
}

int countOtherPixels(const QImage &image, const QRect &area, QColor colour, const QRect &excluded)
{
    const QRect clipped = area.intersected(image.rect());
    const QRgb wanted = colour.rgb();
    int count = 0;
    for (int y = clipped.top(); y <= clipped.bottom(); ++y)
        for (int x = clipped.left(); x <= clipped.right(); ++x)
            if (!excluded.contains(x, y) && image.pixel(x, y) != wanted)
                ++count;
    return count;
}

} // namespace e2e
