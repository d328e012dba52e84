#pragma once

#include <QPointer>
#include <QProxyStyle>

class QMenuBar;
class QWidget;

// Keeps the board's menu bar in one row, whatever font the system supplies: each caption
// carries its own runs of spaces, chosen to spread the five entries across a bar as wide as the
// board, so the entries get no gap between them and an even padding made of the room their
// captions leave. Where the captions alone are wider than the bar, the bar's font steps down by
// half points until they fit. A style's own padding, or a font wider than the one the captions
// were measured with, would otherwise push "Erase" and "About" behind the overflow button.
//
// The fit follows the width the bar really gets: at a fractional scale the window system may
// give the board a fraction of a pixel less than its stored width. The bar itself has the last
// word: should it still show its overflow button after laying the entries out, the fit gives
// up a pixel more of its padding (the last entry's share first), and steps the font down only
// when no padding is left.
class MenuBarStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // Fits the entries bar holds now into width pixels, and again whenever its font or its
    // width changes. The style becomes the bar's and is owned by it.
    static void install(QMenuBar *bar, int width);

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MenuBarStyle(QMenuBar *bar, int width);
    int fitWidth() const;
    void fit();
    void settle();

    QMenuBar *m_bar;
    int m_width;
    // Pixels the bar turned down on top of what the captions were measured to need.
    int m_shortfall = 0;
    int m_padding = 0;
    QString m_lastCaption;
    int m_lastExtra = 0;
    QPointer<QWidget> m_overflow;
};
