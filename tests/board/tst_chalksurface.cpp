// The drawing surface on its own: its pixels after each operation. The suite also runs at a
// scale factor of 2, where every logical pixel is a square of device pixels.
#include "board_fixture.h"
#include "chalk_surface.h"
#include "stored_font.h"

#include <QPaintEvent>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {

constexpr ColourValue kBlack = 0x00000000;
constexpr ColourValue kWhite = 0x00FFFFFF;
constexpr ColourValue kRed = 0x000000FF;
constexpr ColourValue kBlue = 0x00FF0000;
constexpr ColourValue kBannerBlue = 0x00C00000;

QColor qc(ColourValue v)
{
    return toQColor(v);
}

LightweightLabel testLabel()
{
    // 40, 40 to 200, 120 pixels
    return LightweightLabel{QStringLiteral(" hi"), QRect(600, 600, 2400, 1200), kBannerBlue,
                            0x00C0C0FF, storedFont(10, 700, true)};
}

// Whether every device pixel of the logical pixel p has the colour.
bool wholePixelIs(const ChalkSurface &s, QPoint p, const QColor &colour)
{
    const int ratio = s.penWidth();
    for (int dy = 0; dy < ratio; ++dy)
        for (int dx = 0; dx < ratio; ++dx)
            if (s.image().pixelColor(p.x() * ratio + dx, p.y() * ratio + dy) != colour)
                return false;
    return true;
}

int countColour(const QImage &image, const QColor &colour, const QRect &area = {})
{
    const QRect r = area.isNull() ? image.rect() : area;
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

// Records the rectangles the surface is asked to repaint.
class PaintSpy : public QObject
{
public:
    QRegion painted;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

} // namespace

class tst_ChalkSurface : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_surface = new ChalkSurface;
        m_surface->resize(300, 200);
        m_surface->setBoardColour(kBlack);
        m_surface->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_surface));
    }
    void cleanup() { delete m_surface; }

    void imageHoldsDevicePixels()
    {
        const qreal ratio = m_surface->devicePixelRatioF();
        QCOMPARE(m_surface->image().size(), (QSizeF(300, 200) * ratio).toSize());
        QCOMPARE(m_surface->penWidth(), qRound(ratio));
        QCOMPARE(m_surface->logicalDpiX(), 96); // 15 twips a pixel
    }

    void plotSetsOnePixelAndAZeroLineADot()
    {
        m_surface->setBoardColour(kWhite);
        m_surface->plot(twipsOf(10), twipsOf(20));
        QVERIFY(wholePixelIs(*m_surface, {10, 20}, Qt::black));
        QCOMPARE(countColour(m_surface->image(), Qt::black),
                 m_surface->penWidth() * m_surface->penWidth());
        QCOMPARE(m_surface->currentPoint(), QPointF(150, 300));
        // a line of no length is a dot in the chalk's colour, just as wide
        m_surface->lineTo(twipsOf(10), twipsOf(20), kRed);
        QVERIFY(wholePixelIs(*m_surface, {10, 20}, qc(kRed)));
        QCOMPARE(countColour(m_surface->image(), qc(kRed)),
                 m_surface->penWidth() * m_surface->penWidth());
    }

    void lineRunsFromTheCurrentPointWithBothEnds()
    {
        m_surface->setCurrentPoint(twipsOf(10), twipsOf(20));
        m_surface->lineTo(twipsOf(50), twipsOf(20), kRed);
        for (int x = 10; x <= 50; ++x)
            QVERIFY2(wholePixelIs(*m_surface, {x, 20}, qc(kRed)), qPrintable(QString::number(x)));
        for (const QPoint p : {QPoint(9, 20), QPoint(51, 20), QPoint(30, 19), QPoint(30, 21)})
            QVERIFY(wholePixelIs(*m_surface, p, Qt::black));
        QCOMPARE(m_surface->currentPoint(), QPointF(twipsOf(50), twipsOf(20)));

        // the next segment continues from where the last one ended
        m_surface->lineTo(twipsOf(50), twipsOf(60), kWhite);
        for (int y = 20; y <= 60; ++y)
            QVERIFY(wholePixelIs(*m_surface, {50, y}, Qt::white));
    }

    void diagonalLineIsUnbrokenAndSharp()
    {
        m_surface->setCurrentPoint(0, 0);
        m_surface->lineTo(twipsOf(100), twipsOf(50), kWhite);
        const QImage &image = m_surface->image();
        // only the two colours: nothing blurred or blended
        QCOMPARE(countColour(image, Qt::white) + countColour(image, Qt::black),
                 image.width() * image.height());
        // each column between the ends has chalk, each exactly one line wide
        const int w = m_surface->penWidth();
        for (int x = 0; x <= 100 * w; ++x) {
            const int lit = countColour(image, Qt::white, QRect(x, 0, 1, image.height()));
            QVERIFY2(lit >= w && lit <= 2 * w, qPrintable(QString::number(x)));
        }
    }

    void chalkLiesOverTheLabelAndGoesWithIt()
    {
        m_surface->showLabel(testLabel());
        QCOMPARE(m_surface->toPixels(testLabel().geometry), QRect(40, 40, 160, 80));
        QVERIFY(wholePixelIs(*m_surface, {41, 110}, qc(kBannerBlue)));
        QVERIFY(m_surface->labelContains(QPointF(40, 40)));
        QVERIFY(!m_surface->labelContains(QPointF(39.5, 40)));

        // a line from outside across the label
        m_surface->setCurrentPoint(twipsOf(10), twipsOf(100));
        m_surface->lineTo(twipsOf(290), twipsOf(100), kWhite);
        QVERIFY(wholePixelIs(*m_surface, {100, 100}, Qt::white));
        QVERIFY(wholePixelIs(*m_surface, {20, 100}, Qt::white));

        m_surface->hideLabel();
        QVERIFY(!m_surface->isLabelVisible());
        // the label's rectangle is board colour, chalk and all; outside, the chalk stays
        const int r = m_surface->penWidth();
        const QRect labelArea(40 * r, 40 * r, 160 * r, 80 * r);
        QCOMPARE(countColour(m_surface->image(), Qt::black, labelArea),
                 labelArea.width() * labelArea.height());
        QVERIFY(wholePixelIs(*m_surface, {39, 100}, Qt::white));
        QVERIFY(wholePixelIs(*m_surface, {200, 100}, Qt::white));
        QVERIFY(!m_surface->labelContains(QPointF(100, 100)));
    }

    void wipesKeepTheLabel()
    {
        m_surface->setCurrentPoint(0, 0);
        m_surface->lineTo(twipsOf(299), twipsOf(199), kWhite);
        m_surface->showLabel(testLabel());
        m_surface->setBoardColour(kBlue);
        // all board colour but the label; the current point stays where the chalk left it
        const QImage &image = m_surface->image();
        const int r = m_surface->penWidth();
        QCOMPARE(countColour(image, qc(kBlue)), image.width() * image.height() - 160 * r * 80 * r);
        QVERIFY(wholePixelIs(*m_surface, {41, 110}, qc(kBannerBlue)));
        QCOMPARE(m_surface->currentPoint(), QPointF(twipsOf(299), twipsOf(199)));
        m_surface->lineTo(0, 0, kWhite);
        m_surface->clear();
        QCOMPARE(countColour(image, Qt::white), 0);
        QVERIFY(wholePixelIs(*m_surface, {41, 110}, qc(kBannerBlue)));
        QCOMPARE(m_surface->currentPoint(), QPointF(0, 0));
        QVERIFY(m_surface->isLabelVisible());
    }

    void growingAddsBoardColourOnlyWhereItGrew()
    {
        m_surface->setBoardColour(kBlue);
        m_surface->setCurrentPoint(0, twipsOf(199));
        m_surface->lineTo(twipsOf(299), twipsOf(199), kWhite);
        m_surface->resize(400, 260);
        QCOMPARE(m_surface->image().size(), QSize(400, 260) * m_surface->penWidth());
        for (int x = 0; x < 300; x += 7)
            QVERIFY(wholePixelIs(*m_surface, {x, 199}, Qt::white));
        QVERIFY(wholePixelIs(*m_surface, {350, 199}, qc(kBlue)));
        QVERIFY(wholePixelIs(*m_surface, {100, 230}, qc(kBlue)));

        // what a smaller window cut off does not come back
        m_surface->resize(300, 150);
        m_surface->resize(300, 200);
        QVERIFY(wholePixelIs(*m_surface, {100, 199}, qc(kBlue)));
    }

    void growingRepaintsTheLabelWhereItReturns()
    {
        m_surface->showLabel(testLabel());
        m_surface->setCurrentPoint(twipsOf(0), twipsOf(60));
        m_surface->lineTo(twipsOf(299), twipsOf(60), kWhite); // over the label
        m_surface->resize(100, 200);
        m_surface->resize(300, 200);
        QVERIFY(wholePixelIs(*m_surface, {60, 60}, Qt::white));    // kept, chalk over label
        QVERIFY(wholePixelIs(*m_surface, {150, 60}, qc(kBannerBlue))); // label came back bare
        QVERIFY(wholePixelIs(*m_surface, {250, 60}, Qt::black));   // board colour outside it
    }

    void farAwayPositionsAreClipped_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        QTest::newRow("huge") << 1e30f << 1e30f;
        QTest::newRow("max") << std::numeric_limits<float>::max()
                             << std::numeric_limits<float>::max();
        QTest::newRow("lowest") << std::numeric_limits<float>::lowest() << 0.0f;
        QTest::newRow("beyond int") << 4.0e10f << 4.0e10f;
    }
    void farAwayPositionsAreClipped()
    {
        QFETCH(float, x);
        QFETCH(float, y);
        m_surface->setCurrentPoint(twipsOf(150), twipsOf(100));
        m_surface->lineTo(x, y, kWhite);
        QCOMPARE(m_surface->currentPoint(), QPointF(x, y));
        QVERIFY(wholePixelIs(*m_surface, {150, 100}, Qt::white));
        // the line leaves the board along its true direction
        // (within a pixel: the far end is not exactly on the diagonal)
        const int r = m_surface->penWidth();
        const QRect edge = x > 0 ? QRect(248 * r, 199 * r, 2 * r, r) : QRect(0, 100 * r, r, r);
        QVERIFY(countColour(m_surface->image(), Qt::white, edge) >= r * r);
        // and back from there: the segment crosses the board again
        m_surface->lineTo(twipsOf(0), twipsOf(0), kRed);
        QVERIFY(wholePixelIs(*m_surface, {0, 0}, qc(kRed)));
        m_surface->plot(-x, y);
        QCOMPARE(m_surface->currentPoint(), QPointF(-x, y));
    }

    void segmentBetweenTwoOutsidePointsIsDrawnWhereItCrosses()
    {
        m_surface->setCurrentPoint(-1e9f, twipsOf(50));
        m_surface->lineTo(1e9f, twipsOf(50), kWhite);
        QVERIFY(wholePixelIs(*m_surface, {0, 50}, Qt::white));
        QVERIFY(wholePixelIs(*m_surface, {299, 50}, Qt::white));
        m_surface->setCurrentPoint(twipsOf(-5), twipsOf(-5));
        m_surface->lineTo(twipsOf(-50), twipsOf(300), kWhite);
        QCOMPARE(countColour(m_surface->image(), Qt::white), 300 * m_surface->penWidth() * m_surface->penWidth());
    }

    void nonFinitePositionsDrawNothing_data()
    {
        QTest::addColumn<float>("x");
        QTest::addColumn<float>("y");
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("nan x") << nan << 100.0f;
        QTest::newRow("nan y") << 100.0f << nan;
        QTest::newRow("+inf") << inf << 100.0f;
        QTest::newRow("-inf y") << 100.0f << -inf;
    }
    void nonFinitePositionsDrawNothing()
    {
        QFETCH(float, x);
        QFETCH(float, y);
        m_surface->setBoardColour(kWhite);
        m_surface->setCurrentPoint(twipsOf(10), twipsOf(10));
        m_surface->lineTo(x, y, kRed);
        m_surface->plot(x, y);
        m_surface->setCurrentPoint(x, y);
        QCOMPARE(m_surface->currentPoint(), QPointF(twipsOf(10), twipsOf(10)));
        const QImage &image = m_surface->image();
        QCOMPARE(countColour(image, Qt::white), image.width() * image.height());
        // and the next segment starts where the last finite one ended
        m_surface->lineTo(twipsOf(20), twipsOf(10), kRed);
        QVERIFY(wholePixelIs(*m_surface, {10, 10}, qc(kRed)));
    }

    void repaintShowsTheDrawingAsItIs()
    {
        m_surface->setCurrentPoint(twipsOf(10), twipsOf(30));
        m_surface->lineTo(twipsOf(200), twipsOf(30), kWhite);
        m_surface->repaint();
        const QImage shown = m_surface->grab().toImage();
        QCOMPARE(shown.size(), m_surface->image().size());
        const int r = m_surface->penWidth();
        QCOMPARE(shown.pixelColor(100 * r, 30 * r), QColor(Qt::white));
        QCOMPARE(shown.pixelColor(100 * r, 31 * r), QColor(Qt::black));
        QImage plain = shown.convertToFormat(QImage::Format_RGB32);
        plain.setDevicePixelRatio(1);
        QCOMPARE(plain, m_surface->image());
    }

    void eachSegmentRepaintsOnlyItsOwnRectangle()
    {
        QCoreApplication::processEvents();
        PaintSpy spy;
        m_surface->installEventFilter(&spy);
        m_surface->setCurrentPoint(twipsOf(100), twipsOf(100));
        m_surface->lineTo(twipsOf(110), twipsOf(104), kWhite);
        QTRY_VERIFY(!spy.painted.isEmpty());
        const QRect painted = spy.painted.boundingRect();
        QVERIFY2(painted.width() <= 16 && painted.height() <= 10,
                 qPrintable(QStringLiteral("%1x%2").arg(painted.width()).arg(painted.height())));
        QVERIFY(painted.contains(QRect(100, 100, 11, 5)));
    }

    void drawingUsesNoMoreMemory()
    {
        const qsizetype bytes = m_surface->image().sizeInBytes();
        const qint64 key = m_surface->image().cacheKey();
        for (int i = 0; i < 20000; ++i)
            m_surface->lineTo(twipsOf(i % 300), twipsOf((i * 7) % 200), kWhite);
        QCOMPARE(m_surface->image().sizeInBytes(), bytes);
        QCOMPARE(m_surface->image().cacheKey() >> 32, key >> 32); // the same image, not a new one
        QVERIFY(m_surface->children().isEmpty());
    }

private:
    ChalkSurface *m_surface = nullptr;
};

QTEST_MAIN(tst_ChalkSurface)
#include "tst_chalksurface.moc"
