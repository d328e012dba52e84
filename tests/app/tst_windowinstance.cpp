// The five rules every window's default instance follows.
#include "window_instance.h"

#include <QtTest>

namespace {

class Window : public QWidget
{
    Q_OBJECT

public:
    void Form_Load()
    {
        ++formLoads;
        loadedHidden = !isVisible();
    }

    int formLoads = 0;
    bool loadedHidden = false;

signals:
    void unloadRequested();
};

} // namespace

class tst_WindowInstance : public QObject
{
    Q_OBJECT

private slots:
    void createdOnFirstReferenceAndLoadedHidden()
    {
        int built = 0;
        DefaultInstance<Window> instance([&] {
            ++built;
            return new Window;
        });
        QCOMPARE(built, 0);
        QVERIFY(!instance.isLoaded());
        QCOMPARE(instance.ifLoaded(), nullptr);
        QCOMPARE(built, 0); // asking whether it is loaded does not load it

        Window &window = instance.get();
        QCOMPARE(built, 1);
        QCOMPARE(window.formLoads, 1);
        QVERIFY(window.loadedHidden);
        QVERIFY(!window.isVisible());
        QCOMPARE(&instance.get(), &window);
        QCOMPARE(built, 1);
        QCOMPARE(instance.loads(), 1);
    }

    void showLoadsFirstAndActivates()
    {
        DefaultInstance<Window> instance([] { return new Window; });
        instance.show();
        QVERIFY(instance.isLoaded());
        QVERIFY(instance.get().isVisible());
        QCOMPARE(instance.get().formLoads, 1);
        QVERIFY(QTest::qWaitForWindowActive(&instance.get()));
    }

    void hideKeepsTheWindowAndItsState()
    {
        DefaultInstance<Window> instance([] { return new Window; });
        instance.show();
        Window *window = &instance.get();
        window->setWindowTitle(QStringLiteral("state"));
        instance.hide();
        QVERIFY(!window->isVisible());
        QCOMPARE(instance.ifLoaded(), window);
        instance.show();
        QCOMPARE(&instance.get(), window);
        QCOMPARE(window->windowTitle(), QStringLiteral("state"));
        QCOMPARE(instance.loads(), 1);

        // hiding a window that is not loaded loads it, hidden
        DefaultInstance<Window> other([] { return new Window; });
        other.hide();
        QVERIFY(other.isLoaded());
        QVERIFY(!other.get().isVisible());
    }

    void unloadDestroysAndTheNextReferenceLoadsAfresh()
    {
        DefaultInstance<Window> instance([] { return new Window; });
        instance.show();
        QPointer<Window> first = &instance.get();
        instance.unload();
        QVERIFY(!instance.isLoaded());
        QVERIFY(!first->isVisible());
        QTRY_VERIFY(first.isNull());

        Window &second = instance.get();
        QCOMPARE(second.formLoads, 1);
        QCOMPARE(instance.loads(), 2);
        QVERIFY(second.loadedHidden);
    }

    void windowCanUnloadItselfFromItsOwnHandler()
    {
        DefaultInstance<Window> instance([] { return new Window; });
        instance.show();
        QPointer<Window> first = &instance.get();
        // as an OK button does: the window is still running its handler when it asks
        connect(first, &Window::windowTitleChanged, first, [&] {
            emit first->unloadRequested();
            QVERIFY(first); // not deleted under its own feet
        });
        first->setWindowTitle(QStringLiteral("bye"));
        QVERIFY(!instance.isLoaded());
        QTRY_VERIFY(first.isNull());
        instance.get();
        QCOMPARE(instance.loads(), 2);
        // the old window's signal no longer reaches the instance
    }
};

QTEST_MAIN(tst_WindowInstance)
#include "tst_windowinstance.moc"
