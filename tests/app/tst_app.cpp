// The application shell: the attributes the board relies on, the guard that makes an escaped
// error fatal, the five rules of a window's default instance, and start-up.
#include "program.h"
#include "support.h"
#include "tavrin_application.h"

#include <QtTest>

#include <stdexcept>

namespace {

// A handler that fails, as one whose step cannot be done would.
class Failing : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::User)
            return QObject::event(event);
        if (event->spontaneous())
            throw 42;
        throw std::runtime_error("the board colour cannot be set");
    }
};

class Window : public QWidget
{
    Q_OBJECT
public:
    void Form_Load() { loadedHidden = !isVisible(); }
    bool loadedHidden = false;
signals:
    void unloadRequested();
};

} // namespace

class tst_App : public QObject
{
    Q_OBJECT

private slots:
    void attributes()
    {
        // The xcb plugin switches move compression on while the application starts (this runs
        // on Xvfb too); merged moves would cut the corners off fast strokes.
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents));
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_CompressTabletEvents));
        QVERIFY(QCoreApplication::testAttribute(Qt::AA_DontUseNativeMenuBar));
    }

    void escapedErrorIsReportedOnceAndEndsTheProgram()
    {
        auto *app = qobject_cast<TavrinApplication *>(qApp);
        QStringList reports;
        QList<int> statuses;
        Failing failing;
        app->setFatalHandlers(
            [&](const QString &error) {
                reports << error;
                QEvent again(QEvent::User); // fails again inside the report
                QCoreApplication::sendEvent(&failing, &again);
            },
            [&](int status) { statuses << status; });
        QEvent event(QEvent::User);
        QCOMPARE(QCoreApplication::sendEvent(&failing, &event), false);
        QCOMPARE(reports, QStringList{"the board colour cannot be set"});
        QCOMPARE(statuses, QList<int>{1});
        QCoreApplication::postEvent(&failing, new QEvent(QEvent::User)); // through the loop
        QTRY_COMPARE(statuses.size(), 2);
        QCOMPARE(statuses.last(), 1);
    }

    void defaultInstanceRules()
    {
        int built = 0;
        DefaultInstance<Window> instance([&] { return ++built, new Window; });
        QVERIFY(!instance.isLoaded());
        QCOMPARE(built, 0); // asking does not load
        instance.hide(); // touching it loads it, hidden
        QPointer<Window> first = &instance.get();
        QVERIFY(first->loadedHidden && !first->isVisible());
        instance.show();
        QVERIFY(QTest::qWaitForWindowActive(first));
        first->setWindowTitle("state");
        instance.hide();
        instance.show();
        QCOMPARE(&instance.get(), first.data());
        QCOMPARE(first->windowTitle(), QStringLiteral("state"));
        QCOMPARE(instance.loads(), 1);
        // unloaded from its own handler, as an OK button does: not deleted under its feet
        connect(first, &Window::windowTitleChanged, first, [&] { emit first->unloadRequested(); });
        first->setWindowTitle("bye");
        QVERIFY(first && !instance.isLoaded() && !first->isVisible());
        QTRY_VERIFY(first.isNull());
        QVERIFY(instance.get().loadedHidden);
        QCOMPARE(instance.loads(), 2);
        QCOMPARE(built, 2);
    }

    void startShowsTheBoardAndLoadsTheAboutWindowHidden()
    {
        support::FakePlatform fake;
        Program program(fake.take());
        program.start();
        Slatemark &board = program.board().get();
        QVERIFY(QTest::qWaitForWindowActive(&board));
        QCOMPARE(board.windowTitle(), QStringLiteral("Tavrin version 1.0"));
        QTRY_VERIFY(program.about().isLoaded());
        QVERIFY(!program.about().get().isVisible());
        QCOMPARE(program.about().get().parentWidget(), &board); // transient for the board
        QCOMPARE(program.about().loads(), 1);
        QCOMPARE(program.board().loads(), 1);
    }
};

int main(int argc, char *argv[])
{
    TavrinApplication::applyAttributes();
    TavrinApplication app(argc, argv);
    tst_App suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "tst_app.moc"
