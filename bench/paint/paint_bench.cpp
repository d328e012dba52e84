// What one chalk segment costs, from the input event to the finished paint, on a board of the
// program's own size and on a 4K board. Drawing one segment should cost the same however big
// the board is: only the segment's rectangle is drawn and painted.
//
// Runs in-process on the offscreen platform: each iteration sends one mouse move through the
// window-system path (as the platform plugin would deliver it) and then delivers the posted
// update, which paints and flushes the dirty rectangle.

#include "baseline_window.h"
#include "program.h"
#include "tavrin_application.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QTest>

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace {

const QSize kSmall(634, 437);
const QSize kLarge(3840, 2160);

// Where the board begins inside the window: below the menu bar.
int boardTop(QMainWindow &window)
{
    if (QWidget *central = window.centralWidget())
        return central->y();
    return window.menuBar()->isVisible() ? window.menuBar()->height() : 0;
}

void showAtBoardSize(QMainWindow &window, QSize board)
{
    if (!window.isVisible()) {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            std::abort();
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QSize wanted(board.width(), board.height() + boardTop(window));
        if (window.size() == wanted)
            break;
        window.resize(wanted);
        QCoreApplication::processEvents();
    }
}

// A short stroke going round a ring of 24 points (radius 20 pixels) near the bottom-left of
// the board, below the welcome banner, so that every segment is a few pixels long.
QPoint strokePoint(int top, long i)
{
    constexpr double kPi = 3.14159265358979323846;
    const double angle = 2 * kPi * static_cast<double>(i % 24) / 24.0;
    return {60 + static_cast<int>(std::lround(20 * std::cos(angle))),
            top + 405 + static_cast<int>(std::lround(20 * std::sin(angle)))};
}

void strokeCost(benchmark::State &state, QMainWindow &window, QSize board)
{
    showAtBoardSize(window, board);
    const int top = boardTop(window);
    QWindow *handle = window.windowHandle();
    long i = 0;
    QTest::mousePress(handle, Qt::LeftButton, {}, strokePoint(top, i));
    QCoreApplication::sendPostedEvents();
    for (auto _ : state) {
        QTest::mouseMove(handle, strokePoint(top, ++i));
        QCoreApplication::sendPostedEvents();
    }
    QTest::mouseRelease(handle, Qt::LeftButton, {}, strokePoint(top, i));
    QCoreApplication::sendPostedEvents();

    // The ring's rightmost point, (80, 405) on the board, must be white chalk by now.
    if (window.grab(QRect(80, top + 405, 1, 1)).toImage().pixelColor(0, 0) != QColor(Qt::white))
        state.SkipWithError("the stroke left no chalk on the board");
    state.counters["board_w"] = window.width();
    state.counters["board_h"] = window.height() - top;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    TavrinApplication::applyAttributes();
    TavrinApplication app(argc, argv);

    Program program(platform::makePlatform("Tavrin"));
    program.start();
    QMainWindow &tavrin = program.board().get();
    BaselineWindow baseline;

    for (const QSize size : {kSmall, kLarge}) {
        const std::string suffix =
            "/" + std::to_string(size.width()) + "x" + std::to_string(size.height());
        benchmark::RegisterBenchmark(("segment/tavrin" + suffix).c_str(),
                                     [&tavrin, size](benchmark::State &state) {
                                         strokeCost(state, tavrin, size);
                                     });
        benchmark::RegisterBenchmark(("segment/baseline" + suffix).c_str(),
                                     [&baseline, size](benchmark::State &state) {
                                         strokeCost(state, baseline, size);
                                     });
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
