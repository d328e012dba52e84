// The board window as a person meets it, in a program wired as the real one: strokes and
// commands checked pixel by pixel, the banner and its timer, the menu bar, activation, the end.
// The suite also runs at a scale factor of 2, where each pixel is a square of device pixels.
#include "program.h"
#include "support.h"

#include <QMenuBar>
#include <QPaintEvent>
#include <QRandomGenerator>
#include <QToolButton>
#include <QtTest>

#include <limits>

namespace {

const QRect kBanner(8, 56, 617, 313); // 120, 840, 9255 x 4695 twips
constexpr ColourValue kWhite = 0x00FFFFFF;

float tw(double pixels) { return float(pixels * 15); }

int ratio(const ChalkSurface &s) { return qRound(s.devicePixelRatioF()); }

// The logical pixel p: the top-left device pixel of its square.
QColor pixel(const ChalkSurface &s, QPoint p) { return s.image().pixelColor(p * ratio(s)); }

int count(const ChalkSurface &s, const QColor &colour, QRect area = {})
{
    area = area.isNull() ? s.rect() : area;
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += pixel(s, {x, y}) == colour;
    return n;
}

// Runs the event loop until the program ends; 99 when it does not within five seconds.
int runUntilTheProgramEnds(const std::function<void()> &action)
{
    QTimer watchdog;
    watchdog.callOnTimeout([] { QCoreApplication::exit(99); });
    watchdog.start(5000);
    QTimer::singleShot(0, action);
    return QCoreApplication::exec();
}

} // namespace

class tst_Slatemark : public QObject
{
    Q_OBJECT

    std::unique_ptr<support::FakePlatform> m_fake;
    std::unique_ptr<Program> m_program;
    Slatemark &board() { return m_program->board().get(); }
    ChalkSurface &surface() { return board().surface(); }
    void trigger(const QString &name)
    {
        QAction *action = board().findChild<QAction *>(name);
        QVERIFY2(action, qPrintable(name));
        action->trigger();
    }

private slots:
    void init()
    {
        m_fake = std::make_unique<support::FakePlatform>();
        m_program = std::make_unique<Program>(m_fake->take());
        m_program->start();
        QTRY_VERIFY(m_program->about().isLoaded()); // the first activation ran
    }
    void cleanup() { m_program.reset(); }

    // Steps: L+x,y / L-x,y press / release (L left, R right, M middle)   >x,y move
    //   !name trigger a menu entry   hide Label1_Click   tick Timer1_Timer   act Form_Activate
    //   @x,y set the current point   =at:x,y the current point   =beeps:n   =timer:0|1
    //   =x,y:c a pixel's colour   =c*n n pixels of the board   =banner:c the banner's rectangle
    // Colours: k black, w white, r red, m lilac, B the banner's back (0, 0, 192).
    void strokes_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("press plots black") << "hide !whitescreen !yellowchoke L+100,400 L-100,400 =100,400:k =k*1";
        QTest::newRow("right drag") << "!whitescreen !redchoke R+50,400 >150,400 R-150,400 =at:50,400 =k*1 =r*0";
        QTest::newRow("middle drag") << "!whitescreen !redchoke M+50,400 >150,400 M-150,400 =at:50,400 =k*1 =r*0";
        // both held: nothing; right up: a segment from the last press on
        QTest::newRow("left and right") << "hide L+50,100 R+60,200 >200,100 =w*0 R-200,100 >60,300 L-60,300 =60,250:w =125,100:k";
        QTest::newRow("never joined") << "hide L+100,100 >200,100 L-200,100 >200,300 L+100,300 >200,300 L-200,300 =150,100:w =150,300:w =200,200:k =150,200:k";
        QTest::newRow("leaves and returns") << "hide L+600,400 >700,500 >500,400 L-500,400 =633,433:w =550,425:w";
        QTest::newRow("chalk goes with the banner") << "L+4,200 >630,200 L-630,200 =150,200:w =150,201:B hide =banner:k =5,200:w =629,200:w";
        QTest::newRow("timer") << "L+4,200 >630,200 L-630,200 =timer:1 tick =banner:k =timer:0 act =timer:1 =5,200:w";
        QTest::newRow("click on the banner") << "!whitescreen @3,4 L+300,200 L-300,200 =banner:w =at:3,4 =k*0 =timer:1 tick =timer:0";
        QTest::newRow("press on the banner owns the mouse") << "!whitescreen !redchoke @3,4 L+300,200 >300,400 tick >100,420 L-100,420 =at:3,4 =k*0 =r*0";
        QTest::newRow("banner edges") << "@3,4 R+8,200 R-8,200 R+624,200 R-624,200 R+300,56 R-300,56 R+300,368 R-300,368 =at:3,4 "
                                         "R+7,200 R-7,200 =at:7,200 R+625,200 R-625,200 =at:625,200 R+300,55 R-300,55 =at:300,55 R+300,369 R-300,369 =at:300,369";
        QTest::newRow("erase") << "L+2,20 >630,430 L-630,430 !erasing =beeps:1 =w*0 =8,56:B =624,368:B =at:0,0 L+2,20 >100,20 L-100,20 =50,20:w !erasing =beeps:2";
        QTest::newRow("board colour") << "L+2,20 >630,430 L-630,430 !lilacscreen =w*0 =2,20:m =8,56:B =624,368:B L+2,20 >100,20 L-100,20 =50,20:w =beeps:0";
    }
    void strokes()
    {
        QFETCH(QString, script);
        const QHash<QChar, QColor> colours{{'k', Qt::black}, {'w', Qt::white}, {'r', Qt::red}, {'m', Qt::magenta}, {'B', QColor(0, 0, 192)}};
        const QHash<QChar, Qt::MouseButton> buttons{{'L', Qt::LeftButton}, {'R', Qt::RightButton}, {'M', Qt::MiddleButton}};
        const auto point = [](QStringView text) {
            const auto xy = text.mid(text.lastIndexOf(u':') + 1).split(u',');
            return QPoint(xy[0].toInt(), xy[1].toInt());
        };
        for (const QString &step : script.split(' ', Qt::SkipEmptyParts)) {
            const QStringView arg = QStringView(step).mid(QStringView(u"=>@!").contains(step[0]) ? 1 : 2);
            if (step == u"hide")
                board().Label1_Click();
            else if (step == u"tick")
                board().Timer1_Timer();
            else if (step == u"act")
                board().Form_Activate();
            else if (step[0] == u'!')
                trigger(step.mid(1));
            else if (step[0] == u'@')
                surface().setCurrentPoint(tw(point(arg).x()), tw(point(arg).y()));
            else if (step[0] == u'>')
                QTest::mouseMove(&surface(), point(arg));
            else if (step.startsWith(u"=at:"))
                QCOMPARE(surface().currentPoint(), QPointF(tw(point(arg).x()), tw(point(arg).y())));
            else if (step.startsWith(u"=beeps:"))
                QCOMPARE(m_fake->services->beeps, step.mid(7).toInt());
            else if (step.startsWith(u"=timer:"))
                QCOMPARE(board().timer1().isActive(), step.endsWith(u'1'));
            else if (step.startsWith(u"=banner:"))
                QCOMPARE(count(surface(), colours[step.back()], kBanner), kBanner.width() * kBanner.height());
            else if (step[0] == u'=' && step[2] == u'*')
                QVERIFY2(count(surface(), colours[step[1]]) == step.mid(3).toInt(), qPrintable(step));
            else if (step[0] == u'=')
                QVERIFY2(pixel(surface(), point(arg.first(arg.indexOf(u':')))) == colours[step.back()], qPrintable(step));
            else if (buttons.contains(step[0]) && step[1] == u'+')
                QTest::mousePress(&surface(), buttons[step[0]], {}, point(arg));
            else if (buttons.contains(step[0]) && step[1] == u'-')
                QTest::mouseRelease(&surface(), buttons[step[0]], {}, point(arg));
            else
                QFAIL(qPrintable("unknown step " + step));
        }
    }

    void startsWithTheBannerOnABlackBoard()
    {
        QCOMPARE(board().windowTitle(), QStringLiteral("Tavrin version 1.0"));
        QCOMPARE(surface().size(), QSize(634, 437));
        QCOMPARE(pixel(surface(), {4, 420}), QColor(Qt::black));
        QCOMPARE(pixel(surface(), kBanner.topLeft()), QColor(0, 0, 192));
        QVERIFY(count(surface(), QColor(255, 192, 192), kBanner) > 0); // the caption
        // Timer1 runs 3000 milliseconds; its tick hides the banner and stops it
        QCOMPARE(board().timer1().interval(), 3000);
        board().timer1().start(1);
        QTRY_VERIFY(!board().isBannerVisible());
        QVERIFY(!board().timer1().isActive());
    }

    void colourEntries_data()
    {
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QColor>("rgb");
        QTest::newRow("black") << "black" << QColor(0, 0, 0);
        QTest::newRow("blue") << "blue" << QColor(0, 0, 255);
        QTest::newRow("red") << "red" << QColor(255, 0, 0);
        QTest::newRow("yellow") << "yellow" << QColor(255, 255, 0);
        QTest::newRow("green") << "green" << QColor(0, 255, 0);
        QTest::newRow("lilac") << "lilac" << QColor(255, 0, 255);
        QTest::newRow("white") << "white" << QColor(255, 255, 255);
    }
    void colourEntries()
    {
        QFETCH(QString, colour);
        QFETCH(QColor, rgb);
        board().Form_MouseDown(1, 0, tw(10), tw(400));
        board().Form_MouseMove(1, 0, tw(100), tw(400));
        trigger(colour + "choke");
        board().Form_MouseMove(1, 0, tw(200), tw(400));
        QCOMPARE(pixel(surface(), {50, 400}), QColor(Qt::white)); // older chalk keeps its colour
        QCOMPARE(pixel(surface(), {150, 400}), rgb);
        trigger(colour + "screen");
        QCOMPARE(count(surface(), rgb, QRect(0, 380, 634, 40)), 634 * 40);
    }

    void menuBarCaptions()
    {
        const QList<QAction *> bar = board().menuBar()->actions();
        QStringList texts;
        for (QAction *action : bar + bar[1]->menu()->actions() + bar[2]->menu()->actions())
            texts << action->text();
        const auto sp = [](int n) { return QString(n, u' '); };
        QCOMPARE(texts, QStringList({sp(10) + "Exit" + sp(10), sp(11) + "Choke color" + sp(10),
            sp(10) + "Screen" + sp(10), sp(30) + "Erase" + sp(29), sp(3) + "About" + sp(3),
            "Black", "Blue ", "Red", "Yellow", "Green", "Lilac", "White ",
            "Black", "Blue", "Red", "Yellow", "Green", "Lilac", "White"}));
    }

    void menuBarFitsInOneRow_data()
    {
        QTest::addColumn<QString>("family"); // forced on the bar; none: the stored font
        QTest::addColumn<bool>("shrinks");
        QTest::newRow("stored") << QString() << false;
        QTest::newRow("DejaVu Sans") << "DejaVu Sans" << false;
        QTest::newRow("DejaVu Sans Mono") << "DejaVu Sans Mono" << true;
    }
    void menuBarFitsInOneRow()
    {
        QFETCH(QString, family);
        QFETCH(bool, shrinks);
        QMenuBar *bar = board().menuBar();
        if (!family.isEmpty()) {
            bar->setFont(QFont(family, 8));
            QCOMPARE(QFontInfo(bar->font()).family(), family);
        }
        QCOMPARE(bar->font().pointSizeF() < 8, shrinks);
        QCOMPARE(bar->width(), 634);
        const QList<QAction *> actions = bar->actions();
        const int top = bar->actionGeometry(actions[0]).top();
        for (QAction *action : actions) {
            const QRect at = bar->actionGeometry(action);
            QVERIFY2(!at.isEmpty() && bar->rect().contains(at) && at.top() == top, qPrintable(action->text()));
        }
        QVERIFY(bar->actionGeometry(actions.last()).right() >= 634 - 20); // About at the right
        for (QToolButton *extension : bar->findChildren<QToolButton *>())
            QVERIFY(!extension->isVisible());
    }

    void chalkIsOnePixelWideAtAnyScale()
    {
        board().Form_MouseDown(1, 0, tw(10), tw(400));
        board().Form_MouseMove(1, 0, tw(50), tw(400));
        const int r = ratio(surface());
        for (int y = 400 * r - 1; y <= 401 * r; ++y)
            QCOMPARE(surface().image().pixelColor(30 * r, y), QColor(y / r == 400 ? Qt::white : Qt::black));
    }

    void farAwayPositionsCrossTheBoard_data()
    {
        QTest::addColumn<float>("far");
        QTest::newRow("1e10") << 1e10f;
        QTest::newRow("1e30") << 1e30f;
        QTest::newRow("largest") << std::numeric_limits<float>::max();
    }
    void farAwayPositionsCrossTheBoard()
    {
        QFETCH(float, far);
        board().Label1_Click();
        const auto stroke = [&](float x0, float y0, float x1, float y1, std::initializer_list<QPoint> chalk) {
            board().Form_MouseDown(1, 0, x0, y0);
            board().Form_MouseMove(1, 0, x1, y1);
            QCOMPARE(surface().currentPoint(), QPointF(x1, y1));
            for (QPoint p : chalk)
                QVERIFY2(pixel(surface(), p) == Qt::white, qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        };
        stroke(-far, tw(50), far, tw(50), {{0, 50}, {317, 50}, {633, 50}});
        stroke(tw(70), -far, tw(70), far, {{70, 0}, {70, 436}});
        stroke(-far, -far, far, far, {{0, 0}, {300, 300}});
        QCOMPARE(pixel(surface(), {300, 290}), QColor(Qt::black));
        // from far away to just beyond the board: the near end is clipped too
        stroke(tw(400), -far, tw(400), 4e10f, {{400, 0}, {400, 436}});
        // from the board towards a far corner: it leaves along its true direction
        stroke(tw(150), tw(100), far, far, {{150, 100}});
        QVERIFY(pixel(surface(), {485, 436}) == Qt::white || pixel(surface(), {486, 436}) == Qt::white);
    }

    void nonFinitePositionsKeepTheCurrentPoint()
    {
        const float inf = std::numeric_limits<float>::infinity();
        board().Label1_Click();
        board().Form_MouseDown(1, 0, tw(10), tw(400));
        for (float bad : {std::numeric_limits<float>::quiet_NaN(), inf, -inf}) {
            board().Form_MouseMove(1, 0, bad, tw(5));
            board().Form_MouseMove(1, 0, tw(5), bad);
            board().Form_MouseDown(2, 0, bad, bad);
        }
        QCOMPARE(surface().currentPoint(), QPointF(tw(10), tw(400)));
        QCOMPARE(count(surface(), Qt::white), 0);
        board().Form_MouseMove(1, 0, tw(20), tw(400));
        QCOMPARE(pixel(surface(), {10, 400}), QColor(Qt::white));
    }

    void imageThatCannotBeAllocatedKeepsTheDrawing()
    {
        ChalkSurface s;
        s.resize(300, 200);
        s.setCurrentPoint(tw(10), tw(30));
        s.lineTo(tw(200), tw(30), kWhite);
        const QSize before = s.image().size();
        s.resize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX); // about a petabyte of image
        s.lineTo(tw(200), tw(60), kWhite);
        QCOMPARE(s.image().size(), before);
        QCOMPARE(pixel(s, {100, 30}), QColor(Qt::white));
        QCOMPARE(pixel(s, {200, 45}), QColor(Qt::white)); // and it goes on drawing
        s.resize(400, 300);
        s.lineTo(tw(390), tw(60), kWhite);
        QCOMPARE(pixel(s, {300, 60}), QColor(Qt::white));
        QCOMPARE(pixel(s, {100, 30}), QColor(Qt::white));
    }

    void growingKeepsTheChalk()
    {
        board().Form_MouseDown(1, 0, tw(10), tw(420));
        board().Form_MouseMove(1, 0, tw(600), tw(420));
        board().resize(900, 700);
        QTRY_COMPARE(surface().width(), 900);
        QCOMPARE(pixel(surface(), {300, 420}), QColor(Qt::white));
        QCOMPARE(pixel(surface(), {800, 420}), QColor(Qt::black));
    }

    void aSegmentRepaintsOnlyItsRectangle()
    {
        QRegion painted;
        struct Spy : QObject
        {
            QRegion &painted;
            explicit Spy(QRegion &r) : painted(r) {}
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::Paint)
                    painted += static_cast<QPaintEvent *>(e)->region();
                return false;
            }
        } spy(painted);
        QCoreApplication::processEvents();
        surface().installEventFilter(&spy);
        board().Form_MouseDown(2, 0, tw(100), tw(400));
        QTRY_VERIFY(!painted.isEmpty());
        painted = QRegion();
        board().Form_MouseMove(1, 0, tw(110), tw(404));
        QTRY_VERIFY(!painted.isEmpty());
        QVERIFY(painted.boundingRect().contains(QRect(100, 400, 11, 5)));
        QVERIFY2(painted.boundingRect().width() <= 16 && painted.boundingRect().height() <= 10,
                 qPrintable(QStringLiteral("%1x%2").arg(painted.boundingRect().width()).arg(painted.boundingRect().height())));
    }

    void activationRunsOnlyFromWithinTheProgram()
    {
        board().timer1().stop();
        QApplication::setActiveWindow(nullptr); // another program takes the focus, and gives it back
        QTRY_VERIFY(!board().isActiveWindow());
        QApplication::setActiveWindow(&board());
        QTRY_VERIFY(board().isActiveWindow());
        QVERIFY(!board().timer1().isActive());
        trigger("aboutapplcn"); // from the About window back to the board: Form_Activate runs
        QTRY_COMPARE(QGuiApplication::focusWindow(), m_program->about().get().windowHandle());
        board().activateWindow();
        QTRY_VERIFY(board().timer1().isActive());
        QVERIFY(!m_program->about().get().isVisible());
    }

    void exitEndsAtOnceWithoutCloseHandlers()
    {
        trigger("aboutapplcn");
        QCOMPARE(runUntilTheProgramEnds([&] { trigger("exiting"); }), 0);
        QVERIFY(board().isVisible()); // nothing was closed or unloaded
        QVERIFY(m_program->about().isLoaded() && m_program->about().get().isVisible());
        QCOMPARE(runUntilTheProgramEnds([&] { board().close(); }), 0); // the frame's close
    }

    void stormLeavesTheImageIntact()
    {
        QRandomGenerator random(20261207);
        const QSize size = board().size();
        const QStringList entries{"blackchoke", "whitescreen", "redscreen", "erasing", "aboutapplcn", "lilacchoke"};
        const float wild[] = {1e30f, -1e30f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(), -1.0f, 0.0f};
        const auto at = [&](int extent) { return random.bounded(8) ? tw(random.bounded(extent + 40) - 20) : wild[random.bounded(6)]; };
        int erases = 0;
        for (int i = 0; i < 4000; ++i) {
            const int roll = int(random.bounded(100));
            const std::int16_t buttons = std::int16_t(random.bounded(8));
            if (roll < 50)
                board().Form_MouseMove(buttons, 0, at(surface().width()), at(surface().height()));
            else if (roll < 65)
                board().Form_MouseDown(buttons, 0, at(surface().width()), at(surface().height()));
            else if (roll < 88) {
                const QPoint p(random.bounded(700) - 30, random.bounded(500) - 30);
                const auto type = roll < 80 ? QEvent::MouseMove : roll < 84 ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease;
                QMouseEvent event(type, p, surface().mapToGlobal(p), Qt::MouseButton(1 << random.bounded(3)), Qt::MouseButtons(buttons), {});
                QApplication::sendEvent(&board(), &event);
            } else if (roll < 95) {
                const QString entry = entries[random.bounded(entries.size())];
                erases += entry == u"erasing";
                trigger(entry);
            } else if (roll < 97)
                board().resize(random.bounded(1000), random.bounded(800));
            else
                (board().*(roll < 98 ? &Slatemark::Label1_Click : roll < 99 ? &Slatemark::Timer1_Timer : &Slatemark::Form_Activate))();
            if (i % 256 == 0)
                QCoreApplication::processEvents();
        }
        QCOMPARE(m_fake->services->beeps, erases);
        board().resize(size);
        QTRY_COMPARE(surface().size(), QSize(634, 437));
        QCOMPARE(surface().image().size(), QSize(634, 437) * ratio(surface()));
        trigger("blackscreen");
        trigger("whitechoke");
        board().Label1_Click();
        board().Form_MouseDown(1, 0, tw(10), tw(20));
        board().Form_MouseMove(1, 0, tw(110), tw(20));
        QCOMPARE(count(surface(), Qt::white), 101);
    }
};

QTEST_MAIN(tst_Slatemark)
#include "tst_slatemark.moc"
