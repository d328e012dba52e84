// The board as a person sees it on a real X server: the banner, chalk, the menus and Erase.
#include "tavrin_driver.h"

#include <QElapsedTimer>
#include <QTest>

#include <csignal>
#include <memory>

using namespace e2e;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kBannerBlue(0, 0, 192);
const QColor kBannerPink(255, 192, 192);

// Below the banner there is a strip of board where strokes never touch it.
constexpr int kStripTop = 380;
constexpr int kStripBottom = 430;

QString describe(const QList<QPoint> &points)
{
    QStringList text;
    for (const QPoint &p : points)
        text << QStringLiteral("(%1,%2)").arg(p.x()).arg(p.y());
    return text.join(QLatin1Char(' '));
}

} // namespace

class TestE2eBoard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsWithBoardAndBannerThatGoesAfterThreeSeconds();
    void clickOnTheBannerHidesItAtOnce();
    void pressOnTheBannerDrawsNothingWhenDraggedOut();
    void chalkAcrossTheBannerGoesWithIt();
    void menuBarShowsAllFiveEntriesInOneRow();
    void queuedMovesKeepEveryCorner();
    void boardColoursFillTheBoard();
    void chalkColoursDrawTheNextStrokes();
    void eraseWipesTheChalkAndKeepsTheBoardColour();

private:
    XSession m_x;
    std::unique_ptr<TavrinDriver> m_tavrin;
};

void TestE2eBoard::initTestCase()
{
    QString error;
    QVERIFY2(m_x.start(&error), qPrintable(error));
}

void TestE2eBoard::init()
{
    m_tavrin = std::make_unique<TavrinDriver>(m_x, QStringLiteral(TAVRIN_PROGRAM));
    QVERIFY2(m_tavrin->start(), qPrintable(m_tavrin->errorString()));
}

void TestE2eBoard::cleanup()
{
    finish(m_x, *m_tavrin);
    m_tavrin.reset();
}

void TestE2eBoard::startsWithBoardAndBannerThatGoesAfterThreeSeconds()
{
    QElapsedTimer shown;
    shown.start();
    QCOMPARE(m_tavrin->boardRect().size(), QSize(634, 437));

    const QImage board = m_tavrin->boardImage();
    QVERIFY(!board.isNull());
    const QRect banner = TavrinDriver::bannerRect();
    QCOMPARE(banner, QRect(8, 56, 617, 313));
    // Dark blue to its very corners, black just outside them.
    for (const QPoint &corner : {banner.topLeft(), banner.topRight(), banner.bottomLeft(),
                                 banner.bottomRight()})
        QCOMPARE(board.pixelColor(corner), kBannerBlue);
    for (const QPoint &outside : {banner.topLeft() - QPoint(1, 0), banner.topLeft() - QPoint(0, 1),
                                  banner.bottomRight() + QPoint(1, 0),
                                  banner.bottomRight() + QPoint(0, 1)})
        QCOMPARE(board.pixelColor(outside), kBlack);
    QCOMPARE(countOtherPixels(board, board.rect(), kBlack, banner), 0);

    // The pale pink text: large, starting at the banner's top, each line centred.
    QRect text;
    for (int y = banner.top(); y <= banner.bottom(); ++y)
        for (int x = banner.left(); x <= banner.right(); ++x)
            if (board.pixelColor(x, y) == kBannerPink)
                text |= QRect(x, y, 1, 1);
    QVERIFY2(countPixels(board, banner, kBannerPink) > 2000, "no large pale pink text on the banner");
    QVERIFY2(text.top() - banner.top() < 40,
             qPrintable(QStringLiteral("the text starts %1 pixels below the banner's top")
                            .arg(text.top() - banner.top())));
    const int offCentre = text.center().x() - banner.center().x();
    QVERIFY2(qAbs(offCentre) < 40,
             qPrintable(QStringLiteral("the text lies %1 pixels off the centre").arg(offCentre)));

    // Gone by itself about three seconds later, leaving black board.
    auto bannerGone = [&] {
        const QImage now = m_tavrin->boardImage();
        return !now.isNull() && countOtherPixels(now, now.rect(), kBlack) == 0;
    };
    QVERIFY(waitUntil(bannerGone, 10000));
    QVERIFY2(shown.elapsed() > 2000,
             qPrintable(QStringLiteral("the banner went after %1 ms").arg(shown.elapsed())));
}

void TestE2eBoard::clickOnTheBannerHidesItAtOnce()
{
    QElapsedTimer shown;
    shown.start();
    QVERIFY(m_x.click(m_tavrin->toScreen(TavrinDriver::bannerRect().center())));
    auto bannerGone = [&] {
        const QImage now = m_tavrin->boardImage();
        return !now.isNull() && countOtherPixels(now, now.rect(), kBlack) == 0;
    };
    QVERIFY(waitUntil(bannerGone, 10000));
    // Timer1 would take it three seconds after the window showed, which was before `shown`.
    QVERIFY2(shown.elapsed() < 2500,
             qPrintable(QStringLiteral("the banner went %1 ms after the click").arg(shown.elapsed())));
}

// A press on the banner belongs to it until the release: moves draw nothing, also where they
// leave it, and the current point stays where it was.
void TestE2eBoard::pressOnTheBannerDrawsNothingWhenDraggedOut()
{
    const QRect banner = TavrinDriver::bannerRect();
    QVERIFY(m_tavrin->stroke({banner.center(), QPoint(banner.center().x(), kStripBottom),
                              QPoint(600, kStripBottom), QPoint(600, kStripTop)}));
    // Released outside, that was no click: the banner waits for Timer1, and then the board is
    // black all over.
    auto bannerGone = [&] {
        const QImage now = m_tavrin->boardImage();
        return !now.isNull() && countPixels(now, banner, kBannerBlue) == 0;
    };
    QVERIFY(waitUntil(bannerGone, 10000));
    const QImage board = m_tavrin->boardImage();
    QCOMPARE(countOtherPixels(board, board.rect(), kBlack), 0);
}

// Chalk dragged across the banner shows over it; when the banner hides, its rectangle comes
// back in the board colour without that chalk, and the chalk outside stays.
void TestE2eBoard::chalkAcrossTheBannerGoesWithIt()
{
    const QRect banner = TavrinDriver::bannerRect();
    const int x = banner.left() + 3;   // left of the text
    QVERIFY(m_tavrin->stroke({QPoint(x, 10), QPoint(x, banner.center().y()), QPoint(x, kStripBottom)}));
    const QRect inside(QPoint(x, banner.top()), QPoint(x, banner.bottom()));
    const QRect above(QPoint(x, 11), QPoint(x, banner.top() - 1));
    const QRect below(QPoint(x, banner.bottom() + 1), QPoint(x, kStripBottom - 1));
    auto drawnOverBanner = [&] {
        const QImage now = m_tavrin->boardImage();
        return !now.isNull() && countOtherPixels(now, inside, kWhite) == 0;
    };
    QVERIFY(waitUntil(drawnOverBanner, 2000));
    QVERIFY2(countPixels(m_tavrin->boardImage(), banner, kBannerBlue) > 0,
             "the banner went before the chalk over it could be seen");

    auto bannerGone = [&] {
        const QImage now = m_tavrin->boardImage();
        return !now.isNull() && countPixels(now, banner, kBannerBlue) == 0;
    };
    QVERIFY(waitUntil(bannerGone, 10000));
    const QImage board = m_tavrin->boardImage();
    QCOMPARE(countOtherPixels(board, banner, kBlack), 0);
    QCOMPARE(countOtherPixels(board, above, kWhite), 0);
    QCOMPARE(countOtherPixels(board, below, kWhite), 0);
}

void TestE2eBoard::menuBarShowsAllFiveEntriesInOneRow()
{
    const QList<QRect> entries = m_tavrin->menuBarEntries();
    // Qt's overflow button would take the place of the entries that do not fit.
    QCOMPARE(entries.size(), int(TavrinDriver::BarEntryCount));
    const QRect client = m_tavrin->clientRect();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QVERIFY(client.contains(entries.at(i)));
        QVERIFY(qAbs(entries.at(i).center().y() - entries.constFirst().center().y()) < 3);
        if (i > 0)
            QVERIFY(entries.at(i).left() > entries.at(i - 1).right());
    }
    // The captions' spaces spread the entries over the bar: "About" lies at its right end.
    QVERIFY2(entries.constLast().left() > client.left() + client.width() * 3 / 4,
             qPrintable(QStringLiteral("About starts at x=%1 of %2")
                            .arg(entries.constLast().left() - client.left())
                            .arg(client.width())));
}

// Moves that the X server reports while the program is busy reach it together; each one must
// still make its own segment, or the corners of a quick zig-zag are cut off. xdotool moves the
// pointer by warping it, and warps the server handles in one go are reported at the last
// position: --sync makes it wait for each one, so every corner is reported while tavrin sleeps.
void TestE2eBoard::queuedMovesKeepEveryCorner()
{
    QList<QPoint> corners;
    for (int i = 0; i < 20; ++i)
        corners.append(QPoint(20 + 30 * i, i % 2 == 0 ? kStripTop + 4 : kStripBottom));

    const QPoint start = m_tavrin->toScreen(corners.constFirst());
    QVERIFY(m_x.xdotool({QStringLiteral("mousemove"), QString::number(start.x()),
                         QString::number(start.y())}));
    QStringList moves{QStringLiteral("mousedown"), QStringLiteral("1")};
    for (qsizetype i = 1; i < corners.size(); ++i) {
        const QPoint at = m_tavrin->toScreen(corners.at(i));
        moves << QStringLiteral("sleep") << QStringLiteral("0.001") << QStringLiteral("mousemove")
              << QStringLiteral("--sync") << QString::number(at.x()) << QString::number(at.y());
    }
    moves << QStringLiteral("sleep") << QStringLiteral("0.001") << QStringLiteral("mouseup")
          << QStringLiteral("1");

    const auto pid = static_cast<pid_t>(m_tavrin->pid());
    QCOMPARE(::kill(pid, SIGSTOP), 0);
    const bool sent = m_x.xdotool(moves);
    QCOMPARE(::kill(pid, SIGCONT), 0);
    QVERIFY(sent);

    QList<QPoint> missing;
    auto everyCornerWhite = [&] {
        missing.clear();
        const QImage board = m_tavrin->boardImage();
        if (board.isNull())
            return false;
        for (const QPoint &corner : std::as_const(corners))
            if (board.pixelColor(corner) != kWhite)
                missing.append(corner);
        return missing.isEmpty();
    };
    const bool kept = waitUntil(everyCornerWhite, 5000);
    QVERIFY2(kept, qPrintable(QStringLiteral("corners without chalk: ") + describe(missing)));

    // Each segment is a solid line: its middle row holds chalk where the line crosses it.
    const QImage board = m_tavrin->boardImage();
    for (qsizetype i = 1; i < corners.size(); ++i) {
        const QPoint middle = (corners.at(i - 1) + corners.at(i)) / 2;
        QVERIFY2(countPixels(board, QRect(middle - QPoint(1, 0), QSize(3, 1)), kWhite) > 0,
                 qPrintable(QStringLiteral("no chalk near (%1,%2)").arg(middle.x()).arg(middle.y())));
    }
}

void TestE2eBoard::boardColoursFillTheBoard()
{
    const QRect banner = TavrinDriver::bannerRect();
    for (const auto colour : {TavrinDriver::Red, TavrinDriver::Blue, TavrinDriver::Yellow,
                              TavrinDriver::Green, TavrinDriver::Lilac, TavrinDriver::White,
                              TavrinDriver::Black}) {
        QVERIFY2(m_tavrin->choose(TavrinDriver::BoardColours, colour),
                 qPrintable(QStringLiteral("could not choose board colour %1").arg(colour)));
        const QColor wanted = TavrinDriver::rgb(colour);
        // The banner, still showing or gone, is the board's only other content.
        auto filled = [&] {
            const QImage board = m_tavrin->boardImage();
            return !board.isNull() && countOtherPixels(board, board.rect(), wanted, banner) == 0;
        };
        QVERIFY2(waitUntil(filled, 5000), qPrintable(wanted.name()));
    }
}

void TestE2eBoard::chalkColoursDrawTheNextStrokes()
{
    QVERIFY(m_tavrin->choose(TavrinDriver::BoardColours, TavrinDriver::White));
    const QList<TavrinDriver::Colour> colours{TavrinDriver::Black, TavrinDriver::Blue,
                                              TavrinDriver::Red,   TavrinDriver::Yellow,
                                              TavrinDriver::Green, TavrinDriver::Lilac};
    constexpr int left = 20;
    constexpr int right = 300;
    auto row = [](qsizetype i) { return kStripTop + 8 * int(i); };
    // The middle of each stroke, away from the press's own pixel at its start.
    auto strokeArea = [&](qsizetype i) { return QRect(QPoint(left + 2, row(i)), QPoint(right - 2, row(i))); };

    for (qsizetype i = 0; i < colours.size(); ++i) {
        QVERIFY(m_tavrin->choose(TavrinDriver::ChalkColours, colours.at(i)));
        QVERIFY(m_tavrin->stroke({QPoint(left, row(i)), QPoint((left + right) / 2, row(i)),
                                  QPoint(right, row(i))}));
        const QColor wanted = TavrinDriver::rgb(colours.at(i));
        auto drawn = [&] {
            const QImage board = m_tavrin->boardImage();
            return !board.isNull()
                && countOtherPixels(board, strokeArea(i), wanted) == 0;
        };
        QVERIFY2(waitUntil(drawn, 5000), qPrintable(wanted.name()));
    }
    // Older strokes keep their colours.
    const QImage board = m_tavrin->boardImage();
    for (qsizetype i = 0; i < colours.size(); ++i)
        QCOMPARE(countOtherPixels(board, strokeArea(i), TavrinDriver::rgb(colours.at(i))), 0);
}

void TestE2eBoard::eraseWipesTheChalkAndKeepsTheBoardColour()
{
    const QColor red = TavrinDriver::rgb(TavrinDriver::Red);
    QVERIFY(m_tavrin->choose(TavrinDriver::BoardColours, TavrinDriver::Red));
    QVERIFY(m_tavrin->stroke({QPoint(20, kStripTop), QPoint(300, kStripBottom), QPoint(600, kStripTop)}));
    const QRect strip(QPoint(0, kStripTop), QPoint(633, kStripBottom));
    QVERIFY(waitUntil([&] { return countPixels(m_tavrin->boardImage(), strip, kWhite) > 500; },
                      5000));

    QVERIFY(m_tavrin->clickBar(TavrinDriver::Erase));
    auto wiped = [&] {
        const QImage board = m_tavrin->boardImage();
        return !board.isNull()
            && countOtherPixels(board, board.rect(), red, TavrinDriver::bannerRect()) == 0;
    };
    QVERIFY(waitUntil(wiped, 5000));
}

QTEST_MAIN(TestE2eBoard)
#include "tst_e2e_board.moc"
