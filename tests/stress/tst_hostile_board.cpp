// The board at sizes no one should give it: 16,000 pixels square, nothing at all, and a size
// whose image cannot be allocated. The board keeps its drawing through all of them, shows the
// board colour wherever it has no image, and goes on drawing.

#include "../board/board_fixture.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <limits>

namespace {

constexpr ColourValue kBlue = 0x00FF0000;
const QColor kChalk = Qt::white;

float tw(int pixels)
{
    return twipsOf(pixels);
}

// A plain stroke along a row, from x0 to x1.
void stroke(Slatemark &board, int x0, int x1, int y)
{
    board.Form_MouseDown(1, 0, tw(x0), tw(y));
    board.Form_MouseMove(1, 0, tw(x1), tw(y));
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class tst_HostileBoard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void hugeBoard();
    void emptyBoard();
    void imageThatCannotBeAllocated();
    void farEndsStillCrossTheBoard_data();
    void farEndsStillCrossTheBoard();

private:
    std::unique_ptr<BoardFixture> m_f;
};

void tst_HostileBoard::init()
{
    m_f = std::make_unique<BoardFixture>();
    Slatemark &board = m_f->board.get();
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    board.Label1_Click(); // the banner would cover the rows drawn on
    board.blackscreen_Click();
    board.whitechoke_Click();
}

void tst_HostileBoard::cleanup()
{
    m_f.reset();
    settle();
}

void tst_HostileBoard::hugeBoard()
{
    Slatemark &board = m_f->board.get();
    ChalkSurface &surface = board.surface();
    stroke(board, 10, 200, 30);

    board.resize(16000, 16000);
    settle();
    QVERIFY2(surface.width() > 15000 && surface.height() > 15000,
             qPrintable(QStringLiteral("%1 x %2").arg(surface.width()).arg(surface.height())));
    QCOMPARE(surface.image().size(), surface.size() * surface.penWidth());
    // What was drawn stays; the new area is board colour; chalk reaches the far corner.
    QCOMPARE(pixelAt(surface, QPoint(100, 30)), kChalk);
    QCOMPARE(pixelAt(surface, QPoint(15000, 15000)), QColor(Qt::black));
    board.Form_MouseDown(1, 0, tw(200), tw(30));
    board.Form_MouseMove(1, 0, tw(surface.width() - 1), tw(surface.height() - 1));
    QCOMPARE(pixelAt(surface, QPoint(surface.width() - 1, surface.height() - 1)), kChalk);
    board.bluescreen_Click();
    QCOMPARE(pixelAt(surface, QPoint(surface.width() - 1, surface.height() - 1)), toQColor(kBlue));

    board.resize(634, 470);
    settle();
    QCOMPARE(surface.image().size(), surface.size() * surface.penWidth());
    stroke(board, 10, 200, 40);
    QCOMPARE(pixelAt(surface, QPoint(100, 40)), kChalk);
}

void tst_HostileBoard::emptyBoard()
{
    Slatemark &board = m_f->board.get();
    ChalkSurface &surface = board.surface();
    stroke(board, 10, 200, 30);

    board.setMinimumSize(0, 0);
    board.resize(0, 0);
    settle();
    // Whatever is left of the surface, drawing on it and wiping it are no failure.
    stroke(board, 0, 5000, 0);
    board.Form_MouseMove(1, 0, tw(-10), tw(-10));
    board.erasing_Click();
    board.redscreen_Click();
    QVERIFY(!surface.image().isNull());

    board.resize(634, 470);
    settle();
    QCOMPARE(surface.image().size(), surface.size() * surface.penWidth());
    board.blackscreen_Click();
    stroke(board, 10, 200, 40);
    QCOMPARE(pixelAt(surface, QPoint(100, 40)), kChalk);
    QCOMPARE(pixelAt(surface, QPoint(100, 41)), QColor(Qt::black));
}

void tst_HostileBoard::imageThatCannotBeAllocated()
{
    // The largest size a widget may have needs an image of about a petabyte: the allocation
    // fails for real, as it would for any size on a machine short of memory.
    ChalkSurface surface;
    surface.resize(300, 200);
    surface.setBoardColour(0x00000000);
    surface.setCurrentPoint(tw(10), tw(30));
    surface.lineTo(tw(200), tw(30), 0x00FFFFFF);
    const QImage before = surface.image();

    surface.resize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    // Every operation first fits the image to the surface; none may lose the drawing.
    surface.setCurrentPoint(tw(10), tw(60));
    surface.lineTo(tw(200), tw(60), 0x00FFFFFF);
    surface.plot(tw(5), tw(5));
    QCOMPARE(surface.image().size(), before.size());
    QCOMPARE(pixelAt(surface, QPoint(100, 30)), kChalk);
    QCOMPARE(pixelAt(surface, QPoint(100, 60)), kChalk); // and it goes on drawing

    // Beyond its image the surface shows the board colour.
    surface.setBoardColour(kBlue);
    QCOMPARE(surface.image().size(), before.size());
    QImage shown(40, 40, QImage::Format_RGB32);
    shown.fill(Qt::magenta);
    surface.render(&shown, QPoint(), QRegion(280, 180, 40, 40));
    QCOMPARE(shown.pixelColor(5, 5), toQColor(kBlue));   // inside the image
    QCOMPARE(shown.pixelColor(35, 35), toQColor(kBlue)); // beyond it
    QCOMPARE(shown.pixelColor(35, 5), toQColor(kBlue));

    // Once the size is one that fits, the image follows it again.
    surface.setCurrentPoint(tw(10), tw(90));
    surface.resize(400, 300);
    surface.lineTo(tw(390), tw(90), 0x00FFFFFF);
    QCOMPARE(surface.image().size(), QSize(400, 300) * surface.penWidth());
    QCOMPARE(pixelAt(surface, QPoint(380, 90)), kChalk);
}

void tst_HostileBoard::farEndsStillCrossTheBoard_data()
{
    // A stroke from far beyond one edge to far beyond the other is drawn where it crosses the
    // board: its ends are clipped, and rounding at such distances must neither lose the segment
    // nor hand the painter a coordinate out of range.
    QTest::addColumn<float>("far");
    QTest::newRow("1e10") << 1e10f;
    QTest::newRow("1e30") << 1e30f;
    QTest::newRow("largest float") << std::numeric_limits<float>::max();
}

void tst_HostileBoard::farEndsStillCrossTheBoard()
{
    QFETCH(float, far);
    Slatemark &board = m_f->board.get();
    ChalkSurface &surface = board.surface();

    board.Form_MouseDown(1, 0, -far, tw(50));
    board.Form_MouseMove(1, 0, far, tw(50));
    for (const int x : {317, 1, surface.width() - 1, 0})
        QVERIFY2(pixelAt(surface, QPoint(x, 50)) == kChalk, qPrintable(QString::number(x)));

    board.Form_MouseDown(1, 0, tw(70), -far);
    board.Form_MouseMove(1, 0, tw(70), far);
    for (const int y : {0, 200, surface.height() - 1})
        QVERIFY2(pixelAt(surface, QPoint(70, y)) == kChalk, qPrintable(QString::number(y)));

    board.Form_MouseDown(1, 0, -far, -far);
    board.Form_MouseMove(1, 0, far, far);
    for (const int d : {0, 100, 300})
        QVERIFY2(pixelAt(surface, QPoint(d, d)) == kChalk, qPrintable(QString::number(d)));
    QCOMPARE(pixelAt(surface, QPoint(300, 290)), QColor(Qt::black));

    // From far away to just beyond the board: next to the far end, the near one seems to lie
    // at the very end of the segment, yet it is outside and must be clipped too.
    board.Form_MouseDown(1, 0, tw(400), -far);
    board.Form_MouseMove(1, 0, tw(400), 4e10f);
    for (const int y : {0, surface.height() - 1})
        QVERIFY2(pixelAt(surface, QPoint(400, y)) == kChalk, qPrintable(QString::number(y)));
}

QTEST_MAIN(tst_HostileBoard)
#include "tst_hostile_board.moc"
