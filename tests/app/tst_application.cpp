// The application object: the attributes the board relies on, and the guard that makes an
// error escaping a handler fatal.
#include "program.h"
#include "tavrin_application.h"

#include <QtTest>

#include <stdexcept>

namespace {

// An object whose handler fails, as a handler whose step cannot be done would.
class Failing : public QObject
{
public:
    enum class How { Standard, Unknown };
    explicit Failing(How how) : m_how(how) {}

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User) {
            if (m_how == How::Standard)
                throw std::runtime_error("the board colour cannot be set");
            throw 42;
        }
        return QObject::event(event);
    }

private:
    How m_how;
};

} // namespace

class tst_Application : public QObject
{
    Q_OBJECT

private slots:
    void mouseMovesAreNotCompressed()
    {
        // The xcb plugin switches compression on while the application object starts; the
        // application switches it off again.
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents));
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_CompressTabletEvents));
        QVERIFY(QCoreApplication::testAttribute(Qt::AA_DontUseNativeMenuBar));
        qInfo() << "platform" << QGuiApplication::platformName();
    }

    void errorInAHandlerIsReportedAndEndsTheProgram_data()
    {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("named");
        QTest::newRow("standard") << int(Failing::How::Standard)
                                  << QStringLiteral("the board colour cannot be set");
        QTest::newRow("unknown") << int(Failing::How::Unknown) << QStringLiteral("unknown");
    }
    void errorInAHandlerIsReportedAndEndsTheProgram()
    {
        QFETCH(int, how);
        QFETCH(QString, named);
        auto *app = qobject_cast<TavrinApplication *>(qApp);
        QVERIFY(app);
        QStringList reports;
        QList<int> statuses;
        app->setFatalHandlers([&](const QString &error) { reports << error; },
                              [&](int status) { statuses << status; });

        Failing failing{static_cast<Failing::How>(how)};
        QEvent event(QEvent::User);
        QCOMPARE(QCoreApplication::sendEvent(&failing, &event), false);
        QCOMPARE(reports.size(), 1);
        QVERIFY2(reports.first().contains(named), qPrintable(reports.first()));
        QCOMPARE(statuses, QList<int>{TavrinApplication::kFatalStatus});
        QVERIFY(TavrinApplication::kFatalStatus != 0);

        // also from a posted event, through the event loop
        QCoreApplication::postEvent(&failing, new QEvent(QEvent::User));
        QTRY_COMPARE(reports.size(), 2);
        QCOMPARE(statuses.size(), 2);
    }

    void errorWhileReportingIsNotReportedTwice()
    {
        auto *app = qobject_cast<TavrinApplication *>(qApp);
        int reports = 0;
        int ends = 0;
        Failing failing{Failing::How::Standard};
        app->setFatalHandlers(
            [&](const QString &) {
                ++reports;
                QEvent again(QEvent::User);
                QCoreApplication::sendEvent(&failing, &again); // fails inside the report
            },
            [&](int) { ++ends; });
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&failing, &event);
        QCOMPARE(reports, 1);
        QCOMPARE(ends, 1);
    }

    void startShowsTheBoardAndLoadsTheAboutWindowHidden()
    {
        Program program;
        QVERIFY(!program.board().isLoaded());
        program.start();
        Slatemark &board = program.board().get();
        QVERIFY(board.isVisible());
        QCOMPARE(board.windowTitle(), QStringLiteral("Tavrin version 1.0"));
        QTRY_VERIFY(program.about().isLoaded());
        QCOMPARE(program.about().loads(), 1);
        QVERIFY(!program.about().get().isVisible());
        QCOMPARE(program.board().loads(), 1);
        // the About window is transient for the board
        QCOMPARE(program.about().get().parentWidget(), &board);
    }
};

int main(int argc, char *argv[])
{
    TavrinApplication::applyAttributes();
    TavrinApplication app(argc, argv);
    tst_Application suite;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&suite, argc, argv);
}

#include "tst_application.moc"
