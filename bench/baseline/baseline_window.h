#pragma once

#include <QImage>
#include <QMainWindow>
#include <QPoint>
#include <QWidget>

// The yardstick the benchmarks hold the board against: the plainest sound way to draw with the
// mouse in Qt Widgets. A canvas keeps the drawing in a QImage; every move paints one line into
// it with a fresh QPainter and asks for a repaint of that line's rectangle alone.
class BaselineCanvas : public QWidget
{
    Q_OBJECT

public:
    explicit BaselineCanvas(QSize boardSize, QWidget *parent = nullptr);

    QSize sizeHint() const override { return m_boardSize; }

    void clear();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void growImage(QSize size);

    QSize m_boardSize;
    QImage m_image;
    QPoint m_last;
};

// A main window of the board's size with a menu bar, as a small drawing program would have.
class BaselineWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit BaselineWindow(QSize boardSize = QSize(634, 437), QWidget *parent = nullptr);

    BaselineCanvas *canvas() const { return m_canvas; }

private:
    BaselineCanvas *m_canvas;
};
