#pragma once

#include <QProxyStyle>

class QMenuBar;

// Keeps the board's menu bar in one row, whatever font the system supplies: each caption
// carries its own runs of spaces, chosen to spread the five entries across a bar as wide as the
// board, so the entries get no gap between them and an even padding made of the room their
// captions leave. Where the captions alone are wider than the bar, the bar's font steps down by
// half points until they fit. A style's own padding, or a font wider than the one the captions
// were measured with, would otherwise push "Erase" and "About" behind the overflow button.
class MenuBarStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // Fits the entries bar holds now into width pixels, and again whenever its font changes.
    // The style becomes the bar's and is owned by it.
    static void install(QMenuBar *bar, int width);

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MenuBarStyle(QMenuBar *bar, int width);
    void fit();

    QMenuBar *m_bar;
    int m_width;
    int m_padding = 0;
    QString m_lastCaption;
    int m_lastExtra = 0;
};
