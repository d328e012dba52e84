#include "baseline_window.h"

#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor kBoard = Qt::black;
const QColor kChalk = Qt::white;
} // namespace

BaselineCanvas::BaselineCanvas(QSize boardSize, QWidget *parent)
    : QWidget(parent), m_boardSize(boardSize)
{
    // The image covers every pixel, and what was drawn stays put when the window grows.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_StaticContents);
    growImage(boardSize);
}

void BaselineCanvas::clear()
{
    m_image.fill(kBoard);
    update();
}

void BaselineCanvas::mousePressEvent(QMouseEvent *event)
{
    m_last = event->position().toPoint();
}

void BaselineCanvas::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::LeftButton)
        return;
    const QPoint to = event->position().toPoint();
    {
        QPainter painter(&m_image);
        painter.setPen(QPen(kChalk, 1));
        painter.drawLine(m_last, to);
    }
    update(QRect(m_last, to).normalized().adjusted(-1, -1, 1, 1));
    m_last = to;
}

void BaselineCanvas::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.drawImage(dirty, m_image, dirty);
}

void BaselineCanvas::resizeEvent(QResizeEvent *event)
{
    growImage(event->size());
    QWidget::resizeEvent(event);
}

void BaselineCanvas::growImage(QSize size)
{
    const QSize grown = size.expandedTo(m_image.size());
    if (grown == m_image.size())
        return;
    QImage image(grown, QImage::Format_RGB32);
    image.fill(kBoard);
    QPainter painter(&image);
    painter.drawImage(QPoint(0, 0), m_image);
    m_image = image;
}

BaselineWindow::BaselineWindow(QSize boardSize, QWidget *parent)
    : QMainWindow(parent), m_canvas(new BaselineCanvas(boardSize, this))
{
    setWindowTitle(QStringLiteral("Baseline"));
    setCentralWidget(m_canvas);

    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Erase"), m_canvas, &BaselineCanvas::clear);
    file->addSeparator();
    file->addAction(tr("E&xit"), this, &QWidget::close);
    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("About &Qt"), &QApplication::aboutQt);
}
