// A great many random events into the board, interleaved with its commands and the About
// window's comings and goings: every button combination, positions in twips at and beyond the
// window's edges, ±1e30, ±infinity and NaN, through the mouse handlers and through real Qt
// mouse events. Nothing may crash or trip a sanitizer, and the board must still draw a plain
// stroke afterwards.
//
// TAVRIN_STRESS_EVENTS sets the count (one million in the plain build; the asan build sends
// fewer, as each event costs many times more there). The resident memory after the first
// 10,000 events and at the end is printed for the benchmark record; it is not judged here.

#include "../board/board_fixture.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTest>

#include <array>
#include <cmath>
#include <limits>

#include <unistd.h>

#ifndef TAVRIN_STRESS_EVENTS
#define TAVRIN_STRESS_EVENTS 1000000
#endif

namespace {

constexpr int kEvents = TAVRIN_STRESS_EVENTS;
constexpr int kMemoryProbeAt = 10000;
constexpr float kTwipsPerPixel = 15.0f;

// Resident memory of this process in KiB.
long residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * (::sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// The offscreen platform says so at every show of the About window; it tells nothing here.
QtMessageHandler g_previousHandler = nullptr;
void quietRaise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("does not support raise()")))
        g_previousHandler(type, context, message);
}

// What one turn of the event loop does: posted events, paints, the timer, and the deletions
// that unloaded windows left for it (processEvents() alone leaves those for the loop).
void runEventLoopOnce()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Resident memory in the same state each time: the board at its first size, the About window
// unloaded, and the event loop run, so the figure compares the same things.
long settledResidentKiB(BoardFixture &f)
{
    f.board.get().resize(634, 470);
    f.about.unload();
    runEventLoopOnce();
    return residentKiB();
}

class EventStorm
{
public:
    EventStorm(BoardFixture &fixture, quint32 seed) : m_f(fixture), m_random(seed) {}

    void step(int i)
    {
        const int roll = int(m_random.bounded(1000));
        Slatemark &board = m_f.board.get();
        if (roll < 450) {
            board.Form_MouseMove(anyButtons(), anyShift(), coordinate(true), coordinate(false));
        } else if (roll < 560) {
            board.Form_MouseDown(oneButton(), anyShift(), coordinate(true), coordinate(false));
        } else if (roll < 620) {
            // A stroke: a press, a run of left-button moves, nearby and in order.
            float x = coordinate(true), y = coordinate(false);
            board.Form_MouseDown(1, 0, x, y);
            for (int k = int(m_random.bounded(20)); k > 0; --k) {
                x += float(m_random.bounded(61) - 30) * kTwipsPerPixel;
                y += float(m_random.bounded(61) - 30) * kTwipsPerPixel;
                board.Form_MouseMove(1, 0, x, y);
            }
        } else if (roll < 900) {
            realMouseEvent();
        } else if (roll < 930) {
            (board.*pick(kChalk))();
        } else if (roll < 950) {
            (board.*pick(kBoard))();
            ++boardCommands;
        } else if (roll < 965) {
            board.erasing_Click();
            ++erases;
        } else if (roll < 970) {
            board.Label1_Click();
        } else if (roll < 975) {
            board.Timer1_Timer();
        } else if (roll < 980) {
            board.Form_Activate();
        } else if (roll < 984) {
            board.aboutapplcn_Click();
            ++aboutShows;
        } else if (roll < 988) {
            m_f.about.hide();
        } else if (roll < 991) {
            // Closing by each of the window's own ways: OK, Esc, the close box, its background.
            frmDivivederor &about = m_f.about.get();
            switch (m_random.bounded(4)) {
            case 0: about.cmdOK_Click(); break;
            case 1: about.reject(); break;
            case 2: about.close(); break;
            default: about.Form_Click(); break;
            }
            ++aboutCloses;
        } else if (roll < 993) {
            m_f.about.unload();
        } else {
            resizeBoard();
        }
        // Let paints, deferred deletions and the timer run now and then, as the event loop would.
        if (i % 512 == 0)
            runEventLoopOnce();
    }

    int erases = 0;
    int boardCommands = 0;
    int aboutShows = 0;
    int aboutCloses = 0;

private:
    using Handler = void (Slatemark::*)();
    static constexpr std::array<Handler, 7> kChalk{
        &Slatemark::blackchoke_Click,  &Slatemark::bluechoke_Click,  &Slatemark::redchoke_Click,
        &Slatemark::yellowchoke_Click, &Slatemark::greenchoke_Click, &Slatemark::lilacchoke_Click,
        &Slatemark::whitechoke_Click};
    static constexpr std::array<Handler, 7> kBoard{
        &Slatemark::blackscreen_Click,  &Slatemark::bluescreen_Click,
        &Slatemark::redscreen_Click,    &Slatemark::yellowscreen_Click,
        &Slatemark::greenscreen_Click,  &Slatemark::lilacscreen_Click,
        &Slatemark::whitescreen_Click};

    template <class T, std::size_t N>
    const T &pick(const std::array<T, N> &items)
    {
        return items[m_random.bounded(quint32(N))];
    }

    std::int16_t anyButtons() { return std::int16_t(m_random.bounded(8)); }
    std::int16_t oneButton()
    {
        static constexpr std::array<std::int16_t, 3> kButtons{1, 2, 4};
        return pick(kButtons);
    }
    std::int16_t anyShift() { return std::int16_t(m_random.bounded(8)); }

    // A position in twips: mostly on the board, often on or just beyond an edge, and now and
    // then a value no mouse reports.
    float coordinate(bool horizontal)
    {
        const ChalkSurface &surface = m_f.board.get().surface();
        const float extent =
            float(horizontal ? surface.width() : surface.height()) * kTwipsPerPixel;
        static constexpr std::array<float, 12> kWild{
            1e30f, -1e30f, std::numeric_limits<float>::infinity(),
            -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
            std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest(),
            std::numeric_limits<float>::denorm_min(), 1e10f, -1e10f, 2147483648.0f, -0.0f};
        const int kind = int(m_random.bounded(100));
        if (kind < 70)
            return float(m_random.bounded(extent + 1.0));
        if (kind < 85) {
            const std::array<float, 6> edges{0.0f, -1.0f, extent - 1.0f, extent, extent + 1.0f,
                                             extent - kTwipsPerPixel};
            return pick(edges);
        }
        if (kind < 93)
            return float(m_random.bounded(extent * 3.0 + 1.0) - extent);
        return pick(kWild);
    }

    // A press, move or release as the window system sends it, with any set of buttons held.
    void realMouseEvent()
    {
        Slatemark &board = m_f.board.get();
        ChalkSurface &surface = board.surface();
        static constexpr std::array<QEvent::Type, 4> kTypes{
            QEvent::MouseMove, QEvent::MouseMove, QEvent::MouseButtonPress,
            QEvent::MouseButtonRelease};
        static constexpr std::array<Qt::MouseButton, 4> kButtonsOf{
            Qt::LeftButton, Qt::RightButton, Qt::MiddleButton, Qt::BackButton};
        const QEvent::Type type = pick(kTypes);
        Qt::MouseButtons held;
        for (const Qt::MouseButton b : kButtonsOf)
            if (m_random.bounded(2))
                held |= b;
        Qt::MouseButton button = Qt::NoButton;
        if (type != QEvent::MouseMove) {
            button = pick(kButtonsOf);
            if (type == QEvent::MouseButtonPress)
                held |= button;
            else
                held &= ~Qt::MouseButtons(button);
        }
        const QPointF at(double(coordinate(true)) / kTwipsPerPixel,
                         double(coordinate(false)) / kTwipsPerPixel);
        Qt::KeyboardModifiers modifiers;
        if (m_random.bounded(4) == 0)
            modifiers = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
        QMouseEvent event(type, at, surface.mapToGlobal(QPointF(0, 0)) + at, button, held,
                          modifiers);
        QApplication::sendEvent(&surface, &event);
    }

    void resizeBoard()
    {
        static constexpr std::array<QSize, 6> kSizes{QSize(634, 470), QSize(1, 1),
                                                     QSize(0, 0),     QSize(1200, 90),
                                                     QSize(90, 900),  QSize(800, 600)};
        m_f.board.get().resize(pick(kSizes));
    }

    BoardFixture &m_f;
    QRandomGenerator m_random;
};

} // namespace

class tst_StressBoard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { g_previousHandler = qInstallMessageHandler(quietRaise); }
    void eventStorm();
};

void tst_StressBoard::eventStorm()
{
    BoardFixture f;
    Slatemark &board = f.board.get();
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    board.Form_Activate();

    EventStorm storm(f, 20261206);
    long afterProbe = 0;
    for (int i = 1; i <= kEvents; ++i) {
        storm.step(i);
        if (i == kMemoryProbeAt)
            afterProbe = settledResidentKiB(f);
        // The curve between, to tell a steady leak from caches that fill once.
        if (i % (kEvents / 10) == 0)
            qInfo("stress: resident %ld KiB after %d events", settledResidentKiB(f), i);
    }
    const long atEnd = settledResidentKiB(f);
    qInfo("stress: %d events: resident %ld KiB after %d, %ld KiB at the end (%+ld KiB)%s",
          kEvents, afterProbe, kMemoryProbeAt, atEnd, atEnd - afterProbe,
#ifdef TAVRIN_SANITIZED
          " [sanitized build: memory figures mean nothing here]"
#else
          ""
#endif
    );
    qInfo("stress: %d erases, %d board colours, About shown %d times and closed %d times",
          storm.erases, storm.boardCommands, storm.aboutShows, storm.aboutCloses);

    // Every Erase beeped once; the board is the one it was, and it still draws.
    QCOMPARE(f.services.beeps, storm.erases);
    QCOMPARE(&f.board.get(), &board);
    QCOMPARE(f.services.starts + f.services.messages, 0);
    board.resize(634, 470);
    board.Label1_Click();
    runEventLoopOnce();
    ChalkSurface &surface = board.surface();
    QCOMPARE(surface.image().size(), surface.size() * surface.penWidth());
    board.blackscreen_Click();
    board.whitechoke_Click();
    board.Form_MouseDown(2, 0, twipsOf(10), twipsOf(20));
    board.Form_MouseMove(1, 0, twipsOf(110), twipsOf(20));
    board.Form_MouseMove(3, 0, twipsOf(110), twipsOf(120)); // two buttons: nothing drawn
    QCOMPARE(pixelAt(surface, QPoint(10, 20)), QColor(Qt::white));
    QCOMPARE(pixelAt(surface, QPoint(60, 20)), QColor(Qt::white));
    QCOMPARE(pixelAt(surface, QPoint(110, 20)), QColor(Qt::white));
    QCOMPARE(pixelAt(surface, QPoint(110, 60)), QColor(Qt::black));
    QCOMPARE(pixelAt(surface, QPoint(60, 21)), QColor(Qt::black));
}

QTEST_MAIN(tst_StressBoard)
#include "tst_stress_board.moc"
