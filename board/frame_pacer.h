#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;
class QWindow;

// Brings a widget's small changes to the screen at most once per frame of the compositor.
//
// On Wayland every repaint of a window hands a whole buffer to the compositor, which shows at
// most one per refresh of the screen: a fast stroke would repaint, and commit, at the rate the
// mouse reports, and nearly all of those pictures would never be seen. There the rectangles
// asked for are gathered, and their bounding rectangle (which a repaint copies anyway) is
// repainted when the window's next frame is due: Qt ties a window's update request to the
// compositor's frame callbacks. The screen is never more than a frame behind, and a change
// after a pause, with no frame pending, is repainted at once.
// Elsewhere each rectangle is handed to QWidget::update() as it comes.
class FramePacer : public QObject
{
public:
    enum class Pacing { Immediate, PerFrame };

    // Pacing per frame where the window system is Wayland, unless told. The widget outlives
    // the pacer (it is usually the widget's member).
    explicit FramePacer(QWidget *widget);
    FramePacer(QWidget *widget, Pacing pacing);

    // Asks for the rectangle of the widget (in its own pixels) to be repainted.
    void update(const QRect &rect);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The widget's window, watched for its update requests; null while the widget has none.
    QWindow *watchedWindow();

    QWidget *m_widget;
    Pacing m_pacing;
    QPointer<QWindow> m_window;
    QRect m_pending; // what was asked for and is not yet repainted
};
