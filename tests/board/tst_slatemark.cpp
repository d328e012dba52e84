// The board window as the user meets it: its start, the banner and its timer, strokes made
// with the mouse and by touch, the menus, activation and the About window, and the end.
#include "board_fixture.h"
#include "named_colours.h"

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <QPointingDevice>
#include <QStyle>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

constexpr ColourValue kBlack = 0x00000000;
constexpr ColourValue kWhite = 0x00FFFFFF;
const QColor kBannerBack(0, 0, 192);
const QColor kBannerText(255, 192, 192);

// Logical pixels of the banner: 120, 840, 9255 x 4695 twips.
const QRect kBanner(8, 56, 617, 313);

QColor qc(ColourValue v)
{
    return toQColor(v);
}

int countColour(const QImage &image, const QColor &colour, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

// The board's pixels, one per logical pixel: at a scale factor of 2 each is the top-left of
// its square of device pixels.
QImage shown(const ChalkSurface &surface)
{
    const QImage &image = surface.image();
    const qreal ratio = surface.devicePixelRatioF();
    if (ratio == 1.0)
        return image;
    QImage logical(surface.size(), image.format());
    for (int y = 0; y < logical.height(); ++y)
        for (int x = 0; x < logical.width(); ++x)
            logical.setPixel(x, y, image.pixel(int(x * ratio), int(y * ratio)));
    return logical;
}

// Runs the event loop until the program ends, with a watchdog; returns the exit status.
int runUntilTheProgramEnds(const std::function<void()> &action)
{
    QTimer::singleShot(0, action);
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    return QCoreApplication::exec();
}

} // namespace

class tst_Slatemark : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<BoardFixture>();
        chalkColour = 0x12345678; // whatever a previous run left
    }
    void cleanup() { m_fixture.reset(); }

    void loadSetsWhiteChalkOnABlackBoard()
    {
        Slatemark &board = m_fixture->board.get();
        QCOMPARE(m_fixture->board.loads(), 1);
        QCOMPARE(chalkColour, kWhite);
        QCOMPARE(board.surface().boardColour(), kBlack);
        QCOMPARE(board.windowTitle(), QStringLiteral("Tavrin version 1.0"));
        QVERIFY(board.isLabel1Visible());
        QVERIFY(board.timer1().isActive());
        QCOMPARE(board.timer1().interval(), 3000);
        QVERIFY(!m_fixture->about.isLoaded()); // until the first activation
    }

    void boardIsTheStoredSizeBelowTheMenuBar()
    {
        Slatemark &board = showBoard();
        QCOMPARE(board.surface().size(), QSize(634, 437));
        // the image holds device pixels: twice as many each way at a scale factor of 2
        const qreal ratio = board.devicePixelRatioF();
        QCOMPARE(board.surface().image().size(), (QSizeF(634, 437) * ratio).toSize());
        QCOMPARE(ratio, qEnvironmentVariableIsSet("QT_SCALE_FACTOR") ? 2.0 : 1.0);
        QCOMPARE(board.surface().geometry().top(), board.menuBar()->geometry().bottom() + 1);
        QCOMPARE(board.menuBar()->width(), 634);
    }

    void bannerShowsItsCaptionCentredFromTheTop()
    {
        Slatemark &board = showBoard();
        const QImage image = shown(board.surface());
        QCOMPARE(image.pixelColor(kBanner.topLeft()), kBannerBack);
        QCOMPARE(image.pixelColor(kBanner.bottomRight()), kBannerBack);
        QCOMPARE(image.pixelColor(kBanner.topLeft() - QPoint(1, 1)), QColor(Qt::black));
        QCOMPARE(image.pixelColor(kBanner.bottomRight() + QPoint(1, 1)), QColor(Qt::black));

        // rows of the banner that hold text, as bands of consecutive rows
        QList<QPair<int, int>> bands;
        int minX = image.width(), maxX = -1;
        for (int y = kBanner.top(); y <= kBanner.bottom(); ++y) {
            bool text = false;
            for (int x = kBanner.left(); x <= kBanner.right(); ++x) {
                if (image.pixelColor(x, y) == kBannerText) {
                    text = true;
                    if (bands.size() <= 1) {
                        minX = std::min(minX, x);
                        maxX = std::max(maxX, x);
                    }
                }
            }
            if (text) {
                if (!bands.isEmpty() && bands.last().second == y - 1)
                    bands.last().second = y;
                else
                    bands.append({y, y});
            }
        }
        // " welcome to" and "tavrin": two lines, broken at a space, the first at the top
        QCOMPARE(bands.size(), 2);
        QVERIFY2(bands.first().first - kBanner.top() < 30, qPrintable(QString::number(bands.first().first)));
        QVERIFY(bands.last().second < kBanner.center().y() + 60);
        // centred: as much room on the left as on the right, give or take the leading space
        const int left = minX - kBanner.left();
        const int right = kBanner.right() - maxX;
        QVERIFY2(std::abs(left - right) < 40, qPrintable(QStringLiteral("%1 %2").arg(left).arg(right)));
    }

    void timerHidesTheBannerAfterThreeSeconds()
    {
        QElapsedTimer clock;
        clock.start();
        Slatemark &board = showBoard();
        QVERIFY(board.isLabel1Visible());
        // (a loaded machine may be late, never early)
        QTRY_VERIFY_WITH_TIMEOUT(!board.isLabel1Visible(), 10000);
        QVERIFY2(clock.elapsed() >= 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!board.timer1().isActive());
        const QImage image = shown(board.surface());
        QCOMPARE(countColour(image, Qt::black, kBanner), kBanner.width() * kBanner.height());
    }

    // Mouse input as a script, with checks of the board's pixels along the way:
    //   L+x,y / L-x,y   press / release a button (L, R, M middle, B back)   >x,y  move
    //   Dx,y            double click                  !name  trigger a menu entry
    //   hide            click the banner away         tick   the banner timer fires
    //   @x,y            set the current point         =at:x,y  the current point is there
    //   =timer:n        the banner timer runs (1) or not (0)    =beeps:n  so many beeps so far
    //   =x,y:c          the pixel has the colour      =c*n   n pixels of the board have it
    //   =banner:c       the banner's whole rectangle has it
    // Colours: k black, w white, r red, g green, m lilac, B the banner's back.
    void strokes_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("press plots a black pixel whatever the chalk")
            << "hide !whitescreen !yellowchoke L+100,400 L-100,400 =100,400:k =k*1 "
               "D120,400 =120,400:k =k*2";
        QTest::newRow("right plots but does not draw")
            << "!whitescreen !redchoke R+50,400 >150,400 R-150,400 =50,400:k =k*1 =r*0";
        QTest::newRow("middle plots but does not draw")
            << "!whitescreen !redchoke M+50,400 >150,400 M-150,400 =50,400:k =k*1 =r*0";
        QTest::newRow("back button is not the board's")
            << "!whitescreen !redchoke B+50,400 >150,400 B-150,400 =k*0 =r*0";
        // left at A, right at B, move both to C: nothing; right up, move to D: B to D
        QTest::newRow("left with right draws nothing until right is up")
            << "hide L+50,100 R+60,200 >200,100 =w*0 R-200,100 >60,300 L-60,300 "
               "=60,250:w =125,100:k";
        QTest::newRow("strokes are never joined")
            << "hide L+100,100 >200,100 L-200,100 >200,300 L+100,300 >200,300 L-200,300 "
               "=150,100:w =150,300:w =200,200:k =150,200:k";
        QTest::newRow("stroke leaving the window goes on")
            << "hide L+600,400 >700,500 >500,400 L-500,400 =633,433:w =550,425:w";
        QTest::newRow("stroke across the banner lies over it and goes with it")
            << "L+4,200 >300,200 >630,200 L-630,200 =150,200:w =150,201:B =5,200:w "
               "hide =banner:k =5,200:w =629,200:w";
        QTest::newRow("chalk colour applies to later strokes only")
            << "hide L+20,20 >120,20 L-120,20 !greenchoke =70,20:w "
               "L+20,40 >120,40 L-120,40 =70,40:g =70,20:w";
        QTest::newRow("click on the banner hides it and draws nothing")
            << "!whitescreen @3,4 L+300,200 L-300,200 =banner:w =at:3,4 =k*0 "
               "=timer:1 tick =timer:0 =banner:w"; // left running; its tick changes nothing
        QTest::newRow("press on the banner owns the mouse until release")
            << "!whitescreen !redchoke @3,4 L+300,200 >300,400 tick >100,420 L-100,420 "
               "=at:3,4 =k*0 =r*0 "
               "L+300,200 =300,200:k L-300,200 L+300,210 >320,210 L-320,210 =310,210:r";
        QTest::newRow("erase clears and beeps and leaves the banner")
            << "L+2,20 >630,430 L-630,430 !erasing =beeps:1 =w*0 =8,56:B =at:0,0 =300,420:k "
               "L+2,20 >100,20 L-100,20 =50,20:w !erasing =beeps:2";
        QTest::newRow("board colour wipes the board but not the banner")
            << "L+2,20 >630,430 L-630,430 !lilacscreen =w*0 =2,20:m =8,56:B "
               "L+2,20 >100,20 L-100,20 =50,20:w";
    }
    void strokes()
    {
        QFETCH(QString, script);
        Slatemark &board = showBoard();
        ChalkSurface &surface = board.surface();
        const QHash<QChar, QColor> colours{{'k', Qt::black}, {'w', Qt::white}, {'r', Qt::red},
                                           {'g', Qt::green}, {'m', Qt::magenta},
                                           {'B', kBannerBack}};
        const QHash<QChar, Qt::MouseButton> buttons{{'L', Qt::LeftButton}, {'R', Qt::RightButton},
                                                    {'M', Qt::MiddleButton}, {'B', Qt::BackButton}};
        const auto point = [](QStringView text) {
            const auto xy = text.split(u',');
            return QPoint(xy[0].toInt(), xy[1].toInt());
        };
        for (const QString &step : script.split(' ', Qt::SkipEmptyParts)) {
            const QStringView rest = QStringView(step).mid(step.startsWith('=') ? 1 : 2);
            if (step == QLatin1String("hide")) {
                board.Label1_Click();
            } else if (step == QLatin1String("tick")) {
                board.Timer1_Timer();
            } else if (step.startsWith('@')) {
                const QPoint p = point(QStringView(step).mid(1));
                surface.setCurrentPoint(twipsOf(p.x()), twipsOf(p.y()));
            } else if (step.startsWith("=at:")) {
                const QPoint p = point(QStringView(step).mid(4));
                QCOMPARE(surface.currentPoint(), QPointF(twipsOf(p.x()), twipsOf(p.y())));
            } else if (step.startsWith("=timer:")) {
                QCOMPARE(board.timer1().isActive(), step.endsWith('1'));
            } else if (step.startsWith("=beeps:")) {
                QCOMPARE(m_fixture->services.beeps, step.mid(7).toInt());
            } else if (step.startsWith('!')) {
                trigger(board, step.mid(1).toStdString());
            } else if (step.startsWith('>')) {
                QTest::mouseMove(&surface, point(QStringView(step).mid(1)));
            } else if (step.startsWith('D')) {
                QTest::mouseDClick(&surface, Qt::LeftButton, {}, point(QStringView(step).mid(1)));
            } else if (step.startsWith("=banner:")) {
                QCOMPARE(countColour(shown(surface), colours[step.back()], kBanner),
                         kBanner.width() * kBanner.height());
            } else if (step.startsWith('=') && step.contains('*')) {
                const QImage image = shown(surface);
                QVERIFY2(countColour(image, colours[step[1]], image.rect()) == step.mid(3).toInt(),
                         qPrintable(step));
            } else if (step.startsWith('=')) {
                QVERIFY2(pixelAt(surface, point(rest.first(rest.indexOf(u':'))))
                             == colours[step.back()],
                         qPrintable(step));
            } else if (buttons.contains(step[0]) && step[1] == '+') {
                QTest::mousePress(&surface, buttons[step[0]], {}, point(rest));
            } else if (buttons.contains(step[0]) && step[1] == '-') {
                QTest::mouseRelease(&surface, buttons[step[0]], {}, point(rest));
            } else {
                QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
            }
        }
    }

    void handlersTakeAnyPositionAndIgnoreShift()
    {
        Slatemark &board = showBoard();
        ChalkSurface &surface = board.surface();
        board.Label1_Click();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        board.Form_MouseDown(1, 0, twipsOf(10), twipsOf(400));
        board.Form_MouseDown(2, 7, nan, twipsOf(5));
        board.Form_MouseMove(1, 7, -inf, twipsOf(5));
        QCOMPARE(surface.currentPoint(), QPointF(twipsOf(10), twipsOf(400)));
        QCOMPARE(countColour(shown(surface), Qt::white, shown(surface).rect()), 0);
        board.Form_MouseMove(1, 7, std::numeric_limits<float>::max(), twipsOf(400)); // shift held
        QCOMPARE(pixelAt(surface, {633, 400}), QColor(Qt::white));
        board.Form_MouseDown(1, 0, twipsOf(10), twipsOf(420));
        board.Form_MouseMove(3, 0, twipsOf(300), twipsOf(420)); // left and right
        board.Form_MouseMove(0, 0, twipsOf(300), twipsOf(420));
        QCOMPARE(pixelAt(surface, {150, 420}), QColor(Qt::black));
    }

    void touchStartsNewStrokesAndASecondFingerDrawsNothing()
    {
        Slatemark &board = showBoard();
        ChalkSurface &surface = board.surface();
        board.Label1_Click();
        // The device is the test's to delete; deleting it takes it off the system's list.
        const std::unique_ptr<QPointingDevice> touchScreen(QTest::createTouchDevice());
        QPointingDevice *device = touchScreen.get();
        QTest::touchEvent(&surface, device).press(0, QPoint(100, 100));
        QTest::touchEvent(&surface, device).move(0, QPoint(200, 100));
        QTest::touchEvent(&surface, device).release(0, QPoint(200, 100));
        QTest::touchEvent(&surface, device).press(0, QPoint(100, 300));
        QTest::touchEvent(&surface, device).move(0, QPoint(200, 300));
        // a second finger comes down and moves while the first holds still
        QTest::touchEvent(&surface, device).stationary(0).press(1, QPoint(400, 100));
        QTest::touchEvent(&surface, device).stationary(0).move(1, QPoint(400, 300));
        QTest::touchEvent(&surface, device).release(0, QPoint(200, 300)).release(1, QPoint(400, 300));
        QCOMPARE(pixelAt(surface, {150, 100}), QColor(Qt::white));
        QCOMPARE(pixelAt(surface, {150, 300}), QColor(Qt::white));
        QCOMPARE(pixelAt(surface, {200, 200}), QColor(Qt::black)); // not joined
        QCOMPARE(pixelAt(surface, {150, 200}), QColor(Qt::black));
        QCOMPARE(pixelAt(surface, {400, 200}), QColor(Qt::black)); // second finger
    }

    void everyColourEntrySetsItsColour()
    {
        Slatemark &board = showBoard();
        for (const NamedColourEntry &entry : kNamedColours) {
            trigger(board, entry.chalkName);
            QCOMPARE(chalkColour, entry.value);
            trigger(board, entry.boardName);
            QCOMPARE(board.surface().boardColour(), entry.value);
            QCOMPARE(chalkColour, entry.value);
            QCOMPARE(pixelAt(board.surface(), {4, 420}), qc(entry.value));
        }
    }

    void menuCaptionsAreExact()
    {
        Slatemark &board = m_fixture->board.get();
        const QList<QAction *> bar = board.menuBar()->actions();
        const QStringList expected{
            QString(10, ' ') + "Exit" + QString(10, ' '),
            QString(11, ' ') + "Choke color" + QString(10, ' '),
            QString(10, ' ') + "Screen" + QString(10, ' '),
            QString(30, ' ') + "Erase" + QString(29, ' '),
            QString(3, ' ') + "About" + QString(3, ' '),
        };
        QCOMPARE(bar.size(), 5);
        const QStringList names{"exiting", "chockcolors", "screencolor", "erasing", "aboutapplcn"};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(bar[i]->text(), expected[i]);
            QCOMPARE(bar[i]->objectName(), names[i]);
        }
        // the commands act on the bar itself; two entries open submenus
        QVERIFY(!bar[0]->menu() && !bar[3]->menu() && !bar[4]->menu());
        QVERIFY(bar[1]->menu() && bar[2]->menu());

        const QStringList chalk{"Black", "Blue ", "Red", "Yellow", "Green", "Lilac", "White "};
        const QStringList screen{"Black", "Blue", "Red", "Yellow", "Green", "Lilac", "White"};
        QCOMPARE(texts(bar[1]->menu()->actions()), chalk);
        QCOMPARE(texts(bar[2]->menu()->actions()), screen);

        QList<QAction *> all = bar;
        all += bar[1]->menu()->actions();
        all += bar[2]->menu()->actions();
        for (QAction *action : all) {
            QVERIFY(action->isEnabled() && action->isVisible());
            QVERIFY(!action->isCheckable());
            QVERIFY(!action->isSeparator());
            QVERIFY(action->shortcut().isEmpty());
            QVERIFY(!action->text().contains('&'));
        }
    }

    void barSpacingDoesNotDependOnTheWidgetStyle()
    {
        const QString originalName = QApplication::style()->name();
        QList<int> ends;
        for (const char *name : {"Fusion", "Windows"}) {
            QApplication::setStyle(QString::fromLatin1(name));
            BoardFixture fixture;
            Slatemark &board = fixture.board.get();
            board.show();
            QVERIFY(QTest::qWaitForWindowExposed(&board));
            QMenuBar *bar = board.menuBar();
            ends << bar->actionGeometry(bar->actions().last()).right();
            // all five in one row inside the bar, with no gap between entries: the captions'
            // own spaces keep them apart
            const QRect first = bar->actionGeometry(bar->actions().first());
            QVERIFY(!first.isEmpty() && bar->rect().contains(first));
            for (qsizetype i = 1; i < bar->actions().size(); ++i) {
                const QRect geometry = bar->actionGeometry(bar->actions()[i]);
                QVERIFY2(!geometry.isEmpty() && bar->rect().contains(geometry), name);
                QCOMPARE(geometry.top(), first.top());
                QCOMPARE(geometry.left(), bar->actionGeometry(bar->actions()[i - 1]).right() + 1);
            }
            for (QToolButton *extension : bar->findChildren<QToolButton *>())
                QVERIFY(!extension->isVisible());
        }
        QApplication::setStyle(originalName);
        QCOMPARE(ends[0], ends[1]);
        QVERIFY(ends[0] < 634 && ends[0] > 634 * 3 / 4); // About at the right
    }

    void barCommandsActWhenClickedOnTheBar()
    {
        Slatemark &board = showBoard();
        QMenuBar *bar = board.menuBar();
        QAction *erase = bar->actions()[3];
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(erase).center());
        QCOMPARE(m_fixture->services.beeps, 1);
        QVERIFY(!bar->activeAction() || !bar->activeAction()->menu());
    }

    void aboutShowsAndTheBoardsActivationHidesIt()
    {
        // the first activation loads it, hidden
        Slatemark &board = showBoard();
        QCOMPARE(m_fixture->about.loads(), 1);
        QVERIFY(!m_fixture->about.get().isVisible());
        trigger(board, "aboutapplcn");
        frmDivivederor &about = m_fixture->about.get();
        waitForFocus(about);
        QVERIFY(about.isVisible());
        board.timer1().stop();

        board.activateWindow();
        waitForFocus(board);
        QTRY_VERIFY(!about.isVisible());
        QVERIFY(m_fixture->about.isLoaded());
        QCOMPARE(m_fixture->about.loads(), 1);
        QVERIFY(board.timer1().isActive()); // Form_Activate ran

        // shown again, with the same instance
        board.aboutapplcn_Click();
        waitForFocus(about);
        QCOMPARE(&m_fixture->about.get(), &about);
        QCOMPARE(m_fixture->about.loads(), 1);
    }

    void unloadedAboutIsLoadedAfreshOnTheNextActivation()
    {
        Slatemark &board = showBoard();
        board.aboutapplcn_Click();
        waitForFocus(m_fixture->about.get());
        m_fixture->about.get().close(); // unloads, as OK does
        QVERIFY(!m_fixture->about.isLoaded());
        board.activateWindow();
        waitForFocus(board);
        QTRY_VERIFY(m_fixture->about.isLoaded());
        QCOMPARE(m_fixture->about.loads(), 2);
        QVERIFY(!m_fixture->about.get().isVisible());
    }

    void comingBackFromAnotherProgramRunsNoActivation()
    {
        Slatemark &board = showBoard();
        board.timer1().stop();
        // another program takes the focus, and gives it back
        QApplication::setActiveWindow(nullptr);
        QTRY_VERIFY(!board.isActiveWindow());
        QApplication::setActiveWindow(&board);
        QTRY_VERIFY(board.isActiveWindow());
        QVERIFY(!board.timer1().isActive());
        QCOMPARE(m_fixture->about.loads(), 1);
    }

    void exitEndsTheProgramAtOnceWithStatusZero()
    {
        Slatemark &board = showBoard();
        board.aboutapplcn_Click();
        waitForFocus(m_fixture->about.get());
        QCOMPARE(runUntilTheProgramEnds([&] { trigger(board, "exiting"); }), 0);
        // no close handler ran: the About window was not unloaded, the board not closed
        QVERIFY(m_fixture->about.isLoaded());
        QVERIFY(m_fixture->about.get().isVisible());
        QVERIFY(board.isVisible());
    }

    void closingTheBoardEndsTheProgram()
    {
        Slatemark &board = showBoard();
        QCOMPARE(runUntilTheProgramEnds([&] { board.close(); }), 0);
    }

    void bannerIsNamedForScreenReaders()
    {
        Slatemark &board = showBoard();
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(&board.surface());
        QVERIFY(face);
        QCOMPARE(face->text(QAccessible::Name), QStringLiteral("Chalkboard"));
        QCOMPARE(face->role(), QAccessible::Canvas);
        QVERIFY(face->text(QAccessible::Description).contains(QStringLiteral("welcome to tavrin")));
        // the painted banner is a static text inside the board, where it lies on the screen
        QCOMPARE(face->childCount(), 1);
        QAccessibleInterface *banner = face->child(0);
        QVERIFY(banner && banner->isValid());
        QCOMPARE(banner->role(), QAccessible::StaticText);
        QCOMPARE(banner->text(QAccessible::Name), QStringLiteral("welcome to tavrin"));
        const QPoint middle = board.surface().mapToGlobal(kBanner.center());
        QCOMPARE(banner->rect(), QRect(board.surface().mapToGlobal(kBanner.topLeft()), kBanner.size()));
        QCOMPARE(face->childAt(middle.x(), middle.y()), banner);

        board.Label1_Click();
        QVERIFY(!face->text(QAccessible::Description).contains(QStringLiteral("welcome")));
        QCOMPARE(face->childCount(), 0);
        QVERIFY(!banner->isValid());
    }

private:
    Slatemark &showBoard()
    {
        Slatemark &board = m_fixture->board.get();
        board.show();
        waitForFocus(board);
        return board;
    }

    // Until the window is the program's focus window (a transient window counts as active as
    // soon as its parent is, so qWaitForWindowActive cannot tell).
    static void waitForFocus(QWidget &window)
    {
        QTRY_VERIFY(window.windowHandle() &&
                    QGuiApplication::focusWindow() == window.windowHandle());
    }

    static void trigger(Slatemark &board, std::string_view name)
    {
        auto *action = board.findChild<QAction *>(QString::fromUtf8(name.data(), qsizetype(name.size())));
        QVERIFY2(action, name.data());
        action->trigger();
    }

    static QStringList texts(const QList<QAction *> &actions)
    {
        QStringList result;
        for (QAction *action : actions)
            result << action->text();
        return result;
    }

    std::unique_ptr<BoardFixture> m_fixture;
};

QTEST_MAIN(tst_Slatemark)
#include "tst_slatemark.moc"
