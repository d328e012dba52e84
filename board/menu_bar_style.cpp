#include "menu_bar_style.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMenuBar>
#include <QStyleOptionMenuItem>

namespace {

// A font smaller than this is no longer read; the bar stops shrinking there.
constexpr qreal kSmallestPoints = 4.0;
constexpr qreal kPointStep = 0.5;

// The width the bar's captions need on their own, measured as the bar measures them.
int captionsWidth(const QMenuBar &bar, const QFont &font)
{
    const QFontMetrics metrics(font);
    int width = 0;
    for (const QAction *action : bar.actions())
        width += metrics.size(Qt::TextShowMnemonic, action->text()).width();
    return width;
}

} // namespace

MenuBarStyle::MenuBarStyle(QMenuBar *bar, int width) : m_bar(bar), m_width(width)
{
    setParent(bar);
}

void MenuBarStyle::install(QMenuBar *bar, int width)
{
    auto *style = new MenuBarStyle(bar, width);
    style->fit();
    bar->setStyle(style);
    bar->installEventFilter(style);
}

void MenuBarStyle::fit()
{
    const int frame = pixelMetric(PM_MenuBarPanelWidth, nullptr, m_bar) +
                      pixelMetric(PM_MenuBarHMargin, nullptr, m_bar);
    const int room = m_width - 2 * frame;
    QFont font = m_bar->font();
    int captions = captionsWidth(*m_bar, font);
    while (captions > room && font.pointSizeF() - kPointStep >= kSmallestPoints) {
        font.setPointSizeF(font.pointSizeF() - kPointStep);
        captions = captionsWidth(*m_bar, font);
    }
    const QList<QAction *> actions = m_bar->actions();
    const auto entries = static_cast<int>(actions.size());
    m_padding = entries > 0 ? std::max(0, (room - captions) / (2 * entries)) : 0;
    // What is left over the even padding goes to the last entry, so that it ends at the right.
    m_lastCaption = entries > 0 ? actions.last()->text() : QString();
    m_lastExtra = std::max(0, room - captions - 2 * entries * m_padding);
    // The bar's own font change lays the entries out again, with this padding.
    if (font != m_bar->font())
        m_bar->setFont(font);
}

bool MenuBarStyle::eventFilter(QObject *watched, QEvent *event)
{
    // Runs before the bar lays its entries out again for the new font.
    if (watched == m_bar && event->type() == QEvent::FontChange)
        fit();
    return QProxyStyle::eventFilter(watched, event);
}

QSize MenuBarStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                     const QSize &size, const QWidget *widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_MenuBarItem && !size.isEmpty()) {
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
        const bool last = item && item->text == m_lastCaption;
        result.setWidth(size.width() + 2 * m_padding + (last ? m_lastExtra : 0));
    }
    return result;
}

int MenuBarStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                              const QWidget *widget) const
{
    if (metric == PM_MenuBarItemSpacing)
        return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
