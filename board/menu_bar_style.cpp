#include "menu_bar_style.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QMenuBar>
#include <QStyleOptionMenuItem>
#include <QToolButton>

namespace {

// A font smaller than this is no longer read; the bar stops shrinking there.
constexpr qreal kSmallestPoints = 4.0;
constexpr qreal kPointStep = 0.5;

// The name Qt gives the button that opens the entries a bar has no room for.
constexpr char kOverflowButton[] = "qt_menubar_ext_button";

// The width the bar's captions need on their own, measured as the bar measures them: in its
// font, at the resolution of the screen it is on.
int captionsWidth(const QMenuBar &bar, const QFont &font)
{
    const QFontMetrics metrics(font, &bar);
    int width = 0;
    for (const QAction *action : bar.actions())
        width += metrics.size(Qt::TextShowMnemonic, action->text()).width();
    return width;
}

} // namespace

MenuBarStyle::MenuBarStyle(QMenuBar *bar, int width)
    : m_bar(bar),
      m_width(width),
      m_overflow(bar->findChild<QToolButton *>(QLatin1String(kOverflowButton),
                                               Qt::FindDirectChildrenOnly))
{
    setParent(bar);
}

void MenuBarStyle::install(QMenuBar *bar, int width)
{
    auto *style = new MenuBarStyle(bar, width);
    style->fit();
    bar->setStyle(style);
    bar->installEventFilter(style);
    if (style->m_overflow)
        style->m_overflow->installEventFilter(style);
}

// The stored width, or the bar's own where the window system made it up to a pixel short: the
// stored width in device pixels, rounded down at a fractional scale. Any other width is the
// user's, which the bar meets with its overflow button like any other.
int MenuBarStyle::fitWidth() const
{
    const int width = m_bar->width();
    return width >= m_width - 1 && width < m_width ? width : m_width;
}

void MenuBarStyle::fit()
{
    const int frame = pixelMetric(PM_MenuBarPanelWidth, nullptr, m_bar) +
                      pixelMetric(PM_MenuBarHMargin, nullptr, m_bar);
    const int room = fitWidth() - 2 * frame - m_shortfall;
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

// The bar laid its entries out and shows its overflow button all the same: the captions are
// measured as the bar measures them, but the bar has the last word. Each pixel it turns down
// comes off the padding, then off the font.
void MenuBarStyle::settle()
{
    while (m_overflow && !m_overflow->isHidden() && fitWidth() == m_bar->width()
           && m_shortfall < m_width) {
        ++m_shortfall;
        fit();
        QEvent changed(QEvent::StyleChange); // this style's sizes: the bar lays out again
        QCoreApplication::sendEvent(m_bar, &changed);
    }
}

bool MenuBarStyle::eventFilter(QObject *watched, QEvent *event)
{
    // Runs before the bar lays its entries out again for the new font or width.
    const QEvent::Type type = event->type();
    if (watched == m_bar && (type == QEvent::FontChange || type == QEvent::Resize))
        fit();
    // The verdict comes once the bar has finished laying out, which showed the button.
    if (watched == m_overflow && type == QEvent::Show)
        QMetaObject::invokeMethod(this, &MenuBarStyle::settle, Qt::QueuedConnection);
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
