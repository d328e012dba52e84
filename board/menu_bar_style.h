#pragma once

#include <QProxyStyle>

// The board's menu bar spaces its entries the same under every widget style: each caption
// carries its own spaces, which were chosen to spread the five entries across a bar as wide as
// the board, so the entries get a fixed padding and no gap between them. A style's own wider
// padding would push "Erase" and "About" behind the bar's overflow button.
class MenuBarStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // padding: pixels on either side of each caption. The rest follows the application's style.
    explicit MenuBarStyle(int padding);

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;

private:
    int m_padding;
};
