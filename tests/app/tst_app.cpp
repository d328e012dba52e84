// The application shell: the attributes the board relies on, an escaped error reported once by
// the program's own message and ending it, and the five rules of a window's default instance.
#include "tavrin_application.h"
#include "window_instance.h"

#include <QMessageBox>
#include <QtTest>

#include <stdexcept>

namespace {

// Run as the suite's own child: throws from a handler that the event loop runs, under the
// program's own report. Each report is written out and closed; the error "again" escapes
// while the first report is shown.
void failInAHandler(const char *error, const char *again = nullptr)
{
    QTimer::singleShot(0, qApp, [again] { // runs inside the report
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            QTextStream(stdout) << box->windowTitle() << '\n' << box->text() << '\n';
            box->accept();
            if (again)
                failInAHandler(again);
        }
    });
    throw std::runtime_error(error);
}

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
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"fail"});
        QVERIFY(child.waitForFinished(10000));
        QCOMPARE(child.readAllStandardOutput(), "Tavrin\nTavrin met an error it cannot recover from and will close.\n\nthe board colour cannot be set\n");
        QCOMPARE(std::pair(child.exitStatus(), child.exitCode()), std::pair(QProcess::NormalExit, 1));
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
        instance.hide();
        instance.show();
        QCOMPARE(&instance.get(), first.data());
        QCOMPARE(instance.loads(), 1);
        // unloaded as its OK button asks: hidden at once, deleted only once its handler is done
        emit first->unloadRequested();
        QVERIFY(first && !instance.isLoaded() && !first->isVisible());
        QTRY_VERIFY(first.isNull());
        QVERIFY(instance.get().loadedHidden);
        QCOMPARE(instance.loads(), 2);
    }
};

int main(int argc, char *argv[])
{
    TavrinApplication::applyAttributes();
    TavrinApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("fail")) {
        QTimer::singleShot(0, &app, [] { failInAHandler("the board colour cannot be set", "again"); });
        return app.exec();
    }
    tst_App suite;
    return QTest::qExec(&suite, argc, argv);
}

#include "tst_app.moc"
