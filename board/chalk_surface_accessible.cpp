#include "chalk_surface_accessible.h"

#include "chalk_surface.h"

#include <QPointer>

namespace {

// The banner, as long as the surface shows it.
class BannerAccessible : public QAccessibleInterface
{
public:
    explicit BannerAccessible(ChalkSurface *surface) : m_surface(surface) {}

    bool isValid() const override { return m_surface && m_surface->isBannerVisible(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        return m_surface ? m_surface->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface *parent() const override
    {
        return m_surface ? QAccessible::queryAccessibleInterface(m_surface) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *focusChild() const override { return nullptr; }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid() || t != QAccessible::Name)
            return QString();
        return m_surface->bannerCaption().trimmed();
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect area = m_surface->bannerRect();
        return QRect(m_surface->mapToGlobal(area.topLeft()), area.size());
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !isValid();
        s.readOnly = true;
        return s;
    }

private:
    QPointer<ChalkSurface> m_surface;
};

} // namespace

ChalkSurfaceAccessible::ChalkSurfaceAccessible(QWidget *surface)
    : QAccessibleWidget(surface, QAccessible::Canvas)
{
}

ChalkSurfaceAccessible::~ChalkSurfaceAccessible()
{
    if (m_banner)
        QAccessible::deleteAccessibleInterface(m_banner);
}

QAccessibleInterface *ChalkSurfaceAccessible::create(const QString &className, QObject *object)
{
    if (className == QLatin1String("ChalkSurface") && object && object->isWidgetType())
        return new ChalkSurfaceAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

QAccessibleInterface *ChalkSurfaceAccessible::banner() const
{
    auto *surface = static_cast<ChalkSurface *>(widget());
    if (!surface->isBannerVisible())
        return nullptr;
    if (!m_banner)
        m_banner = QAccessible::registerAccessibleInterface(new BannerAccessible(surface));
    return QAccessible::accessibleInterface(m_banner);
}

int ChalkSurfaceAccessible::childCount() const
{
    return QAccessibleWidget::childCount() + (banner() ? 1 : 0);
}

QAccessibleInterface *ChalkSurfaceAccessible::child(int index) const
{
    const int widgets = QAccessibleWidget::childCount();
    if (index < widgets)
        return QAccessibleWidget::child(index);
    return index == widgets ? banner() : nullptr;
}

int ChalkSurfaceAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (child && child == banner())
        return QAccessibleWidget::childCount();
    return QAccessibleWidget::indexOfChild(child);
}

QAccessibleInterface *ChalkSurfaceAccessible::childAt(int x, int y) const
{
    if (QAccessibleInterface *shown = banner(); shown && shown->rect().contains(x, y))
        return shown;
    return QAccessibleWidget::childAt(x, y);
}
