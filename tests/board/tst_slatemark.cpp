// The board window in a program wired as the real one, checked pixel by pixel; the suite also
// runs at a scale factor of 2, where each pixel is a square of device pixels.
#include "chalk_surface_accessible.h"
#include "frame_pacer.h"
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

float tw(double pixels) { return float(pixels * 15); }

// The colour of the logical pixel p where its whole square of device pixels has it, else none.
QColor pixel(const ChalkSurface &s, QPoint p)
{
    const int r = qRound(s.devicePixelRatioF());
    const QColor colour = s.image().pixelColor(p * r);
    for (int i = 1; i < r * r; ++i)
        if (s.image().pixelColor(p * r + QPoint(i % r, i / r)) != colour)
            return QColor();
    return colour;
}

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
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(99); }); // no loop runs by then
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
    void initTestCase() { QAccessible::installFactory(&ChalkSurfaceAccessible::create); }
    void init()
    {
        m_fake = std::make_unique<support::FakePlatform>();
        m_program = std::make_unique<Program>(m_fake->take());
        m_program->start();
        QTRY_VERIFY(m_program->about().isLoaded() && !m_program->about().get().isVisible()); // loaded hidden by the first activation
    }
    void cleanup() { m_program.reset(); }

    // Steps: L+x,y / L-x,y / L*x,y press / release / double click's second press (L left, R right, M middle)   >x,y move
    //   dN:x,y / mN:x,y Form_MouseDown / Form_MouseMove with buttons N (nan, inf, 1e29 welcome)
    //   !name trigger a menu entry   hide Label1_Click   tick Timer1_Timer   act Form_Activate
    //   =at:x,y the current point   =beeps:n   =timer:0|1
    //   =x,y:c a pixel's colour   =c*n n pixels of the board   =banner:c the banner's rectangle
    // Positions in pixels. Colours: k black, w white, r red, b blue, y yellow, g green, m lilac,
    // B the banner's back.
    void strokes_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("start") << "=4,420:k =8,56:B =624,368:B =630,430:k";
        QTest::newRow("one pixel wide") << "hide d1:10,400 m1:50,400 =30,399:k =30,400:w =30,401:k =10,400:w =50,400:w =51,400:k";
        QTest::newRow("press plots black") << "hide !whitescreen !yellowchoke L+100,400 L-100,400 =100,400:k =k*1";
        QTest::newRow("right and middle drag") << "!whitescreen !redchoke R+50,400 >150,400 R-150,400 =at:50,400 M+60,410 >160,410 M-160,410 =at:60,410 =k*2 =r*0";
        // both held: nothing; right up: a segment from the last press on
        QTest::newRow("left and right") << "hide L+50,100 R+60,200 >200,100 =w*0 R-200,100 >60,300 L-60,300 =60,250:w =125,100:k";
        QTest::newRow("double click") << "!whitescreen !redchoke L+100,400 L-100,400 L*200,400 =200,400:k =k*2 >250,400 L-250,400 =225,400:r =150,400:w";
        QTest::newRow("never joined") << "hide L+100,100 >200,100 L-200,100 >200,300 L+100,300 >200,300 L-200,300 =150,100:w =150,300:w =200,200:k =150,200:k";
        QTest::newRow("leaves and returns") << "hide L+600,400 >700,500 >500,400 L-500,400 =633,433:w =550,425:w";
        QTest::newRow("timer takes the chalk with the banner") << "L+4,200 >630,200 L-630,200 =150,200:w =150,201:B =timer:1 tick =banner:k =timer:0 =5,200:w =629,200:w act =timer:1";
        QTest::newRow("click on the banner") << "!whitescreen R+3,4 R-3,4 L+300,200 >300,420 L-300,420 =8,56:B L+300,200 L-300,200 =banner:w =at:3,4 =k*1 =timer:1 tick =timer:0";
        QTest::newRow("press on the banner owns the mouse") << "!whitescreen !redchoke R+3,4 R-3,4 L+300,200 >300,400 tick >100,420 L-100,420 =at:3,4 =k*1 =r*0";
        QTest::newRow("banner edges") << "R+3,4 R-3,4 R+8,200 R-8,200 R+624,200 R-624,200 R+300,56 R-300,56 R+300,368 R-300,368 =at:3,4 "
                                         "R+7,200 R-7,200 =at:7,200 R+625,200 R-625,200 =at:625,200 R+300,55 R-300,55 =at:300,55 R+300,369 R-300,369 =at:300,369";
        QTest::newRow("erase") << "!redchoke !lilacscreen L+2,20 >630,430 L-630,430 !erasing =beeps:1 =r*0 =4,420:m =8,56:B =624,368:B =at:0,0 L+2,20 >100,20 L-100,20 =50,20:r !erasing =beeps:2";
        QTest::newRow("banner gone for good") << "hide !erasing !redscreen !bluechoke act size:900,700 =banner:r";
        QTest::newRow("growing keeps chalk") << "hide d1:10,420 m1:600,420 size:900,700 =300,420:w =800,420:k =800,600:k";
        QTest::newRow("not finite") << "hide d1:10,400 m1:nan,5 m1:5,inf d2:nan,nan m1:-inf,5 d4:inf,-inf =at:10,400 =w*0 m1:20,400 =10,400:w =20,400:w";
        for (const char *far : {"1e29", "2.2e37"}) // 1.5e30 twips, and close to the largest float
            QTest::addRow("far %s", far) << QString("hide d1:-F,50 m1:F,50 =at:F,50 =0,50:w =317,50:w =633,50:w d1:70,-F m1:70,F =70,0:w =70,436:w "
                "d1:-F,-F m1:F,F =0,0:w =300,300:w =300,290:k d1:400,-F m1:400,2.7e9 =400,0:w =400,436:w d1:150,100 m1:F,F =486,436:w").replace("F", far);
        for (const char *colour : {"black k", "blue b", "red r", "yellow y", "green g", "lilac m", "white w"})
            QTest::addRow("%s", colour) << QString("d1:10,400 m1:100,400 !Cchoke m1:200,400 =50,400:w =150,400:L !Cscreen =50,400:L =4,420:L =630,20:L")
                .replace("C", QString(colour).chopped(2)).replace("L", QString(colour).right(1));
    }
    void strokes()
    {
        QFETCH(QString, script);
        const QHash<QChar, QColor> colours{{'k', QColor(0, 0, 0)}, {'w', QColor(255, 255, 255)}, {'r', QColor(255, 0, 0)},
            {'b', QColor(0, 0, 255)}, {'y', QColor(255, 255, 0)}, {'g', QColor(0, 255, 0)}, {'m', QColor(255, 0, 255)}, {'B', QColor(0, 0, 192)}};
        const QHash<QString, void (Slatemark::*)()> handlers{{"hide", &Slatemark::Label1_Click}, {"tick", &Slatemark::Timer1_Timer}, {"act", &Slatemark::Form_Activate}};
        const QHash<QChar, Qt::MouseButton> buttons{{'L', Qt::LeftButton}, {'R', Qt::RightButton}, {'M', Qt::MiddleButton}};
        const auto at = [](QStringView text) { // x,y  or  at:x,y  or  x,y:c
            const auto parts = text.split(u':');
            const auto xy = (parts[0].contains(u',') ? parts[0] : parts.last()).split(u',');
            return QPointF(xy[0].toDouble(), xy[1].toDouble());
        };
        for (const QString &step : script.split(' ', Qt::SkipEmptyParts)) {
            const QStringView arg = QStringView(step).mid(QStringView(u"=>!").contains(step[0]) ? 1 : 2);
            const QPointF xy = step.contains(u',') ? at(arg) : QPointF();
            // Only a pixel of the board makes a point; far and non-finite values go to handlers.
            const QPoint p = qAbs(xy.x()) < 1e6 && qAbs(xy.y()) < 1e6 ? xy.toPoint() : QPoint();
            if (handlers.contains(step))
                (board().*handlers[step])();
            else if (step[0] == u'!')
                trigger(step.mid(1));
            else if (step[0] == u'd' || step[0] == u'm')
                (board().*(step[0] == u'd' ? &Slatemark::Form_MouseDown : &Slatemark::Form_MouseMove))(std::int16_t(step[1].digitValue()), 7, tw(xy.x()), tw(xy.y()));
            else if (step.startsWith(u"size:")) {
                board().resize(p.x(), p.y() + board().menuBar()->height());
                QTRY_COMPARE(surface().size(), QSize(p.x(), p.y()));
            } else if (step[0] == u'>')
                QTest::mouseMove(&surface(), p);
            else if (step.startsWith(u"=at:"))
                QVERIFY2(surface().currentPoint() - QPointF(tw(xy.x()), tw(xy.y())) == QPointF(), qPrintable(step));
            else if (step.startsWith(u"=beeps:"))
                QCOMPARE(m_fake->services->beeps, step.mid(7).toInt());
            else if (step.startsWith(u"=timer:"))
                QCOMPARE(board().timer1().isActive(), step.endsWith(u'1'));
            else if (step.startsWith(u"=banner:"))
                QCOMPARE(count(surface(), colours[step.back()], kBanner), kBanner.width() * kBanner.height());
            else if (step[0] == u'=' && step[2] == u'*')
                QVERIFY2(count(surface(), colours[step[1]]) == step.mid(3).toInt(), qPrintable(step));
            else if (step[0] == u'=')
                QVERIFY2(pixel(surface(), p) == colours[step.back()], qPrintable(step));
            else if (const qsizetype action = QStringView(u"+-*").indexOf(step[1]); buttons.contains(step[0]) && action >= 0)
                QTest::mouseEvent(QList{QTest::MousePress, QTest::MouseRelease, QTest::MouseDClick}[action], &surface(), buttons[step[0]], {}, p);
            else
                QFAIL(qPrintable("unknown step " + step));
        }
    }

    void startsWithTheBannerAndItsTimer()
    {
        QCOMPARE(board().windowTitle(), QStringLiteral("Tavrin version 1.0"));
        QCOMPARE(surface().size(), QSize(634, 437));
        QVERIFY(count(surface(), QColor(255, 192, 192), kBanner) > 0); // the caption
        QCOMPARE(board().timer1().interval(), 3000);
        board().timer1().start(1);
        QTRY_VERIFY(!board().isBannerVisible() && !board().timer1().isActive()); // its first tick
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

    // A face whose captions alone overflow the bar: its font steps down until the five fit.
    void menuBarFitsAWideFace()
    {
        QMenuBar *bar = board().menuBar();
        bar->setFont(QFont("DejaVu Sans Mono", 8));
        QVERIFY(QFontInfo(bar->font()).family() == "DejaVu Sans Mono" && bar->font().pointSizeF() < 8);
        const QList<QAction *> actions = bar->actions();
        for (QAction *action : actions) // a hidden entry has a null rectangle
            QVERIFY2(bar->rect().contains(bar->actionGeometry(action)) && bar->actionGeometry(action).top() == bar->actionGeometry(actions[0]).top(), qPrintable(action->text()));
        QVERIFY(bar->width() == 634 && bar->actionGeometry(actions.last()).right() >= 634 - 4);
        for (QToolButton *extension : bar->findChildren<QToolButton *>())
            QVERIFY(!extension->isVisible());
    }

    void bannerReachesScreenReadersOnce() // through the factory, as the application installs it
    {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(&surface());
        QVERIFY(face->text(QAccessible::Description).isEmpty() && face->childCount() == 1);
        QCOMPARE(face->child(0)->text(QAccessible::Name), QStringLiteral("welcome to tavrin"));
    }

    void imageThatCannotBeAllocatedKeepsTheDrawing()
    {
        ChalkSurface s;
        s.resize(300, 200);
        s.setCurrentPoint(tw(10), tw(30));
        s.lineTo(tw(200), tw(30), 0x00FFFFFF);
        const QSize before = s.image().size();
        s.resize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX); // about a petabyte of image
        s.lineTo(tw(200), tw(60), 0x00FFFFFF);
        QCOMPARE(s.image().size(), before);
        QVERIFY(pixel(s, {100, 30}) == Qt::white && pixel(s, {200, 45}) == Qt::white); // goes on
        s.resize(400, 300);
        s.lineTo(tw(390), tw(60), 0x00FFFFFF);
        QVERIFY(pixel(s, {300, 60}) == Qt::white && pixel(s, {100, 30}) == Qt::white);
    }

    void aSegmentRepaintsOnlyItsRectangle()
    {
        struct : QObject {
            QRegion painted;
            bool eventFilter(QObject *, QEvent *e) override
            {
                painted += e->type() == QEvent::Paint ? static_cast<QPaintEvent *>(e)->region() : QRegion();
                return false;
            }
        } spy;
        QCoreApplication::processEvents();
        surface().installEventFilter(&spy);
        surface().setCurrentPoint(tw(100), tw(400));
        board().Form_MouseMove(1, 0, tw(110), tw(404));
        QTRY_VERIFY(!spy.painted.isEmpty());
        const QRect painted = spy.painted.boundingRect();
        QVERIFY(painted.contains(QRect(100, 400, 11, 5)));
        QVERIFY2(painted.width() <= 16 && painted.height() <= 10, qPrintable(QString("%1x%2").arg(painted.width()).arg(painted.height())));
    }

    void pacedRectanglesRepaintOnceAtTheWindowsUpdateRequest() // as on Wayland, not the whole window
    {
        struct : QWidget { QList<QRect> painted; void paintEvent(QPaintEvent *e) override { painted += e->rect(); } } w;
        w.resize(200, 100);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_VERIFY(!w.painted.isEmpty());
        w.painted.clear();
        FramePacer pacer(&w, FramePacer::Pacing::PerFrame);
        pacer.update(QRect(10, 10, 5, 5));
        pacer.update(QRect(30, 20, 5, 5));
        QTRY_COMPARE(w.painted, QList<QRect>{QRect(10, 10, 25, 15)});
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
    }

    void exitEndsAtOnceWithoutCloseHandlers()
    {
        trigger("aboutapplcn");
        QCOMPARE(runUntilTheProgramEnds([&] { trigger("exiting"); }), 0); // nothing closed or unloaded:
        QVERIFY(board().isVisible() && m_program->about().isLoaded() && m_program->about().get().isVisible());
        QCOMPARE(runUntilTheProgramEnds([&] { board().close(); }), 0); // the frame's close
    }

    // A few thousand seeded events of every kind, wild positions among them.
    void stormLeavesTheImageIntact()
    {
        QRandomGenerator random(20261207);
        const QStringList entries{"blackchoke", "whitescreen", "redscreen", "erasing", "aboutapplcn", "lilacchoke"};
        const float wild[] = {1e30f, -1e30f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
        const auto at = [&] { return random.bounded(8) ? tw(random.bounded(700) - 30) : wild[random.bounded(4)]; };
        int erases = 0;
        for (int i = 0; i < 4000; ++i) {
            const int roll = random.bounded(100);
            const auto buttons = std::int16_t(random.bounded(8));
            if (roll < 65) {
                (board().*(roll < 50 ? &Slatemark::Form_MouseMove : &Slatemark::Form_MouseDown))(buttons, 0, at(), at());
            } else if (roll < 88) {
                const QPoint p(random.bounded(700) - 30, random.bounded(500) - 30);
                const auto type = roll < 80 ? QEvent::MouseMove : roll < 84 ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease;
                QMouseEvent event(type, p, board().mapToGlobal(p), Qt::MouseButton(1 << random.bounded(3)), Qt::MouseButtons(buttons), {});
                QApplication::sendEvent(&board(), &event);
            } else if (roll < 95) {
                const QString entry = entries[random.bounded(int(entries.size()))];
                erases += entry == u"erasing";
                trigger(entry);
            } else if (roll < 97) {
                board().resize(random.bounded(1000), random.bounded(800));
            } else {
                (board().*(roll < 98 ? &Slatemark::Label1_Click : roll < 99 ? &Slatemark::Timer1_Timer : &Slatemark::Form_Activate))();
            }
            if (i % 256 == 0)
                QCoreApplication::processEvents();
        }
        QCOMPARE(m_fake->services->beeps, erases);
        board().resize(634, 437 + board().menuBar()->height());
        QTRY_COMPARE(surface().size(), QSize(634, 437));
        QCOMPARE(surface().image().size(), QSize(634, 437) * surface().devicePixelRatioF());
        trigger("blackscreen");
        trigger("whitechoke");
        board().Form_MouseDown(1, 0, tw(10), tw(20));
        board().Form_MouseMove(1, 0, tw(110), tw(20));
        QCOMPARE(count(surface(), Qt::white), 101);
    }
};

QTEST_MAIN(tst_Slatemark)
#include "tst_slatemark.moc"
