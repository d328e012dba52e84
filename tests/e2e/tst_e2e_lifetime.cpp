// How the program ends on a real X server: Exit, Exit beside the About window, the frame's close.
#include "tavrin_driver.h"

#include <QTest>

#include <memory>

using namespace e2e;

namespace {
constexpr int kEndTimeoutMs = 10000;
}

class TestE2eLifetime : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void exitEndsWithStatusZero();
    void exitEndsWhileTheAboutWindowShows();
    void closingTheFrameEndsTheProgram();

private:
    // The program ended by itself, normally, with status 0, and left no window behind.
    void verifyEndedCleanly();

    XSession m_x;
    std::unique_ptr<TavrinDriver> m_tavrin;
};

void TestE2eLifetime::initTestCase()
{
    QString error;
    QVERIFY2(m_x.start(&error), qPrintable(error));
}

void TestE2eLifetime::init()
{
    m_tavrin = std::make_unique<TavrinDriver>(m_x, QStringLiteral(TAVRIN_PROGRAM));
    QVERIFY2(m_tavrin->start(), qPrintable(m_tavrin->errorString()));
}

void TestE2eLifetime::cleanup()
{
    finish(m_x, *m_tavrin);
    m_tavrin.reset();
}

void TestE2eLifetime::verifyEndedCleanly()
{
    QProcess &process = m_tavrin->process();
    QVERIFY2(process.waitForFinished(kEndTimeoutMs), "the program is still running");
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    // A window of an ended process is gone with it; xdotool cannot tell its process any more.
    QVERIFY(m_x.visibleWindows(0, TavrinDriver::boardTitlePattern()).isEmpty());
    QVERIFY(m_x.visibleWindows(0, TavrinDriver::aboutTitlePattern()).isEmpty());
}

void TestE2eLifetime::exitEndsWithStatusZero()
{
    QVERIFY(m_tavrin->clickBar(TavrinDriver::Exit));
    verifyEndedCleanly();
}

void TestE2eLifetime::exitEndsWhileTheAboutWindowShows()
{
    QVERIFY(m_tavrin->clickBar(TavrinDriver::About));
    QVERIFY2(m_x.waitForWindow(m_tavrin->pid(), TavrinDriver::aboutTitlePattern()),
             "the About window did not show");
    QVERIFY(m_tavrin->clickBar(TavrinDriver::Exit));
    verifyEndedCleanly();
}

// The About window is loaded, hidden, from the board's first activation on: closing the board
// must not leave a process running with no window to show.
void TestE2eLifetime::closingTheFrameEndsTheProgram()
{
    QVERIFY(m_x.closeWindow(m_tavrin->boardWindow()));
    verifyEndedCleanly();
}

QTEST_MAIN(TestE2eLifetime)
#include "tst_e2e_lifetime.moc"
