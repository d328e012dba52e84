#include "frame_pacer.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace {

FramePacer::Pacing platformPacing()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"))
        ? FramePacer::Pacing::PerFrame
        : FramePacer::Pacing::Immediate;
}

} // namespace

FramePacer::FramePacer(QWidget *widget) : FramePacer(widget, platformPacing()) {}

FramePacer::FramePacer(QWidget *widget, Pacing pacing) : m_widget(widget), m_pacing(pacing)
{
}

void FramePacer::update(const QRect &rect)
{
    QWindow *window = m_pacing == Pacing::PerFrame ? watchedWindow() : nullptr;
    if (!window) {
        m_widget->update(rect);
        return;
    }
    m_pending |= rect;
    // Asking again while a request is pending costs nothing: the window keeps one.
    window->requestUpdate();
}

bool FramePacer::eventFilter(QObject *watched, QEvent *event)
{
    // A widget's window answers an update request of its own by repainting the whole window:
    // the request is taken here while a rectangle waits, and only that rectangle is repainted.
    if (event->type() != QEvent::UpdateRequest || watched != m_window || m_pending.isEmpty())
        return false;
    m_widget->repaint(std::exchange(m_pending, QRect()));
    return true;
}

QWindow *FramePacer::watchedWindow()
{
    QWindow *window = m_widget->window()->windowHandle();
    if (window != m_window) {
        if (m_window)
            m_window->removeEventFilter(this);
        m_window = window;
        m_pending = QRect();
        if (window)
            window->installEventFilter(this);
    }
    return window;
}
