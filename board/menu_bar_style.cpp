#include "menu_bar_style.h"

MenuBarStyle::MenuBarStyle(int padding) : m_padding(padding)
{
}

QSize MenuBarStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                     const QSize &size, const QWidget *widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_MenuBarItem && !size.isEmpty())
        result.setWidth(size.width() + 2 * m_padding);
    return result;
}

int MenuBarStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                              const QWidget *widget) const
{
    if (metric == PM_MenuBarItemSpacing)
        return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
