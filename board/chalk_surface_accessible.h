#pragma once

#include <QAccessibleWidget>

class QObject;
class QString;

// What screen readers see of the board: a canvas named for them, and while the welcome banner
// shows, the banner as a static text inside it. The banner is painted, not a widget, so it
// needs an interface of its own.
class ChalkSurfaceAccessible : public QAccessibleWidget
{
public:
    explicit ChalkSurfaceAccessible(QWidget *surface);
    ~ChalkSurfaceAccessible() override;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

    // For QAccessible::installFactory.
    static QAccessibleInterface *create(const QString &className, QObject *object);

private:
    QAccessibleInterface *banner() const;

    mutable QAccessible::Id m_banner = 0;
};
