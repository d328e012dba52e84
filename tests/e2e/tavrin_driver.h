#pragma once

#include "x_session.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>

#include <optional>

namespace e2e {

// What a person sees of the running program: the board window, its menu bar, its pixels.
// Board coordinates are pixels from the top-left corner of the board below the menu bar.
class TavrinDriver
{
public:
    // The menu bar's entries, left to right.
    enum BarEntry { Exit, ChalkColours, BoardColours, Erase, About, BarEntryCount };
    // The named colours, in the order of both submenus.
    enum Colour { Black, Blue, Red, Yellow, Green, Lilac, White, ColourCount };
    static QColor rgb(Colour colour);

    static QString boardTitlePattern() { return QStringLiteral("^Tavrin version 1\\.0$"); }
    static QString aboutTitlePattern() { return QStringLiteral("^About Tavrin$"); }
    static QString messageTitlePattern() { return QStringLiteral("^Tavrin$"); }

    // TAVRIN_E2E_PROGRAM, when set, names another build of the program to drive instead.
    TavrinDriver(const XSession &x, const QString &program);
    ~TavrinDriver();
    TavrinDriver(const TavrinDriver &) = delete;
    TavrinDriver &operator=(const TavrinDriver &) = delete;

    // Starts the program with these variables added to the display's environment, and waits
    // until its board window shows with the menu bar painted above a plain board.
    bool start(const QProcessEnvironment &extra = {});
    QString errorString() const { return m_error; }
    QProcess &process() { return m_process; }
    // The process id stays known after the program ended.
    qint64 pid() const { return m_pid; }
    // Ends the program if it still runs; what it wrote to stderr is returned for diagnostics.
    QByteArray stop();

    XWindow boardWindow() const { return m_window; }
    QRect clientRect() const { return m_client; }   // menu bar and board, on the screen
    int menuBarHeight() const { return m_client.height() - m_board.height(); }
    QRect boardRect() const { return m_board; }     // the board alone, on the screen
    QPoint toScreen(QPoint board) const { return m_board.topLeft() + board; }

    // The board's pixels now (a null image when the screenshot failed).
    QImage boardImage() const;
    // The board window's client area, menu bar included.
    QImage clientImage() const;

    // The text of each entry of the menu bar, as it shows on the screen.
    QList<QRect> menuBarEntries() const;
    bool clickBar(BarEntry entry);
    bool choose(BarEntry submenu, Colour colour);

    // A stroke with the left button: press at the first point, move through the others, release.
    bool stroke(const QList<QPoint> &boardPoints);

    // The banner's rectangle in board coordinates.
    static QRect bannerRect();

private:
    bool measure();
    QString stacks() const;

    const XSession &m_x;
    QString m_program;
    QProcess m_process;
    QString m_error;
    qint64 m_pid = 0;
    XWindow m_window = 0;
    QRect m_client;
    QRect m_board;
};

// Ends a test's program. After a failure, the screen is kept as a PNG named after the test and
// what the program wrote to stderr is shown.
void finish(const XSession &x, TavrinDriver &tavrin);

// Pixel helpers over board images.
int countPixels(const QImage &image, const QRect &area, QColor colour);
// Pixels of the area that are not the colour, outside the excluded rectangle.
int countOtherPixels(const QImage &image, const QRect &area, QColor colour,
                     const QRect &excluded = {});

} // namespace e2e
