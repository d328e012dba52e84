#include "chalk_surface.h"

#include "banner.h"
#include "segment_clip.h"
#include "twips.h"

#include <QAccessible>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPointsPerInch = 72.0;

// Segments are clipped to the image plus this many pixels on every side before they are turned
// into whole pixels, so that no coordinate handed to the painter can overflow, however far
// outside the board the pointer was reported.
constexpr double kClipMargin = 8.0;

bool isFinite(float x, float y)
{
    return std::isfinite(x) && std::isfinite(y);
}

QPoint floorPoint(const QPointF &p)
{
    return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

} // namespace

ChalkSurface::ChalkSurface(QWidget *parent) : QWidget(parent), m_pacer(this)
{
    // The image holds every pixel of the surface: nothing behind it needs painting, and what
    // is already on the screen stays when the surface grows.
    setAttribute(Qt::WA_StaticContents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    syncImage();
}

ColourValue ChalkSurface::foregroundColour()
{
    return fromQColor(QGuiApplication::palette().color(QPalette::WindowText));
}

void ChalkSurface::setBoardColour(ColourValue colour)
{
    m_boardColour = colour;
    wipe();
}

void ChalkSurface::clear()
{
    m_currentPoint = QPointF(0.0, 0.0);
    wipe();
}

void ChalkSurface::setCurrentPoint(float x, float y)
{
    if (isFinite(x, y))
        m_currentPoint = QPointF(x, y);
}

void ChalkSurface::plot(float x, float y)
{
    if (!isFinite(x, y))
        return;
    m_currentPoint = QPointF(x, y);
    syncImage();
    const QPointF device = toDevice(x, y);
    const QRectF reach = QRectF(m_image.rect()).adjusted(-kClipMargin, -kClipMargin, 0, 0);
    if (!reach.contains(device))
        return;
    const int width = penWidth();
    const QRect dot = QRect(floorPoint(device), QSize(width, width)).intersected(m_image.rect());
    if (dot.isEmpty())
        return;
    const ColourValue colour = foregroundColour();
    QPainter *painter = imagePainter(colour);
    if (!painter)
        return;
    painter->fillRect(dot, toQColor(colour));
    m_pacer.update(deviceToLogical(dot));
}

void ChalkSurface::lineTo(float x, float y, ColourValue colour)
{
    if (!isFinite(x, y))
        return;
    // The image is kept in step by every resize and every repaint of the whole surface: a move
    // draws into it as it is, without asking the screen about its scale again.
    const QPointF from = toDevice(m_currentPoint.x(), m_currentPoint.y());
    m_currentPoint = QPointF(x, y);
    const QPointF to = toDevice(x, y);

    const QRectF reach = QRectF(m_image.rect()).adjusted(-kClipMargin, -kClipMargin, kClipMargin,
                                                          kClipMargin);
    const std::optional<QLineF> inside = clipSegment(from, to, reach);
    if (!inside)
        return;
    const QPoint a = floorPoint(inside->p1());
    const QPoint b = floorPoint(inside->p2());
    const int width = penWidth();
    QPainter *painter = imagePainter(colour);
    if (!painter)
        return;
    if (a == b) {
        painter->fillRect(QRect(a, QSize(width, width)), toQColor(colour));
    } else {
        const QPointF centre(width / 2.0, width / 2.0);
        painter->drawLine(QPointF(a) + centre, QPointF(b) + centre);
    }

    const QRect changed =
        QRect(a, b).normalized().adjusted(-width, -width, width, width).intersected(m_image.rect());
    if (!changed.isEmpty())
        m_pacer.update(deviceToLogical(changed));
}

void ChalkSurface::showBanner(const StoredLabel &banner)
{
    m_banner = banner;
    syncImage();
    drawBanner(QRegion(m_image.rect()));
    update(bannerRect());
    QAccessibleEvent shown(this, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&shown);
}

void ChalkSurface::hideBanner()
{
    if (!m_banner)
        return;
    const QRect area = bannerDeviceRect();
    m_banner.reset();
    syncImage();
    if (QPainter *painter = imagePainter(m_boardColour))
        painter->fillRect(area, toQColor(m_boardColour));
    update(deviceToLogical(area));
    QAccessibleEvent gone(this, QAccessible::ObjectReorder);
    QAccessible::updateAccessibility(&gone);
}

bool ChalkSurface::bannerContains(const QPointF &pixelPosition) const
{
    // The pixel the position falls in: a position on the banner's right or bottom edge lies
    // in the first pixel beyond it.
    const QPoint pixel(qFloor(pixelPosition.x()), qFloor(pixelPosition.y()));
    return m_banner && bannerRect().contains(pixel);
}

QString ChalkSurface::bannerCaption() const
{
    return m_banner ? toQString(m_banner->caption) : QString();
}

QRect ChalkSurface::bannerRect() const
{
    return m_banner ? twips::toPixels(m_banner->box, dpi()) : QRect();
}

QPointF ChalkSurface::toTwips(const QPointF &pixelPosition) const
{
    return QPointF(twips::fromPixels(pixelPosition.x(), dpi()),
                   twips::fromPixels(pixelPosition.y(), dpi()));
}

int ChalkSurface::penWidth() const
{
    return std::max(1, static_cast<int>(std::lround(m_imageRatio)));
}

void ChalkSurface::paintEvent(QPaintEvent *event)
{
    // A repaint of the whole surface (after a show, a resize, a move to another screen or a
    // wipe) first brings the image in step with the screen; a stroke's small repaints show the
    // image as it is.
    const QRect dirty = event->rect();
    if (dirty.contains(rect()))
        syncImage();
    QPainter painter(this);
    // Beyond the image, where the surface grew larger than an image could be made, the board
    // shows its colour.
    const QRect covered = deviceToLogical(m_image.rect());
    if (!covered.contains(dirty)) {
        const QRegion beyond = event->region() - QRegion(covered);
        for (const QRect &rect : beyond)
            painter.fillRect(rect, toQColor(m_boardColour));
    }
    // Work in device pixels, so that each pixel of the image lands on one pixel of the screen.
    if (m_imageRatio != 1.0)
        painter.scale(1.0 / m_imageRatio, 1.0 / m_imageRatio);
    // The painter is clipped to the region to repaint: its bounding rectangle is drawn at once.
    const QRect source = logicalToDevice(dirty).intersected(m_image.rect());
    painter.drawImage(source.topLeft(), m_image, source);
}

void ChalkSurface::resizeEvent(QResizeEvent *)
{
    syncImage();
}

void ChalkSurface::syncImage()
{
    const qreal ratio = devicePixelRatioF();
    const QSize wanted = (QSizeF(size()) * ratio).toSize().expandedTo(QSize(1, 1));
    m_dpi = logicalDpiX();
    if (m_image.size() == wanted && m_imageRatio == ratio)
        return;

    closeImagePainter();
    QImage grown(wanted, QImage::Format_RGB32);
    if (grown.isNull()) {
        // No memory for an image of the new size: keep the image we have, and the drawing on
        // it. The surface shows the board colour beyond it and tries again at the next change.
        return;
    }
    grown.fill(toQColor(m_boardColour));
    QRegion fresh(grown.rect());
    if (!m_image.isNull()) {
        QPainter painter(&grown);
        if (ratio == m_imageRatio) {
            painter.drawImage(0, 0, m_image);
            fresh -= QRegion(m_image.rect());
        } else {
            // Moved to a screen of another scale: keep the drawing at its size on the screen.
            const QRect scaled(QPoint(0, 0), (QSizeF(m_image.size()) * (ratio / m_imageRatio)).toSize());
            painter.drawImage(scaled, m_image);
        }
    }
    m_image = grown;
    m_imageRatio = ratio;
    drawBanner(fresh);
}

double ChalkSurface::dpi() const
{
    return m_dpi;
}

QPointF ChalkSurface::toDevice(double x, double y) const
{
    // The image's own scale: after syncImage() it is the screen's, and where a larger image
    // could not be made, the one the drawing already has.
    const double scale = m_imageRatio;
    const double dotsPerInch = dpi();
    return QPointF(twips::toPixelsF(x, dotsPerInch) * scale, twips::toPixelsF(y, dotsPerInch) * scale);
}

QRect ChalkSurface::logicalToDevice(const QRect &logicalRect) const
{
    if (m_imageRatio == 1.0)
        return logicalRect;
    return QRectF(QPointF(logicalRect.topLeft()) * m_imageRatio,
                  QSizeF(logicalRect.size()) * m_imageRatio)
        .toAlignedRect();
}

QRect ChalkSurface::deviceToLogical(const QRect &deviceRect) const
{
    if (m_imageRatio == 1.0)
        return deviceRect;
    return QRectF(QPointF(deviceRect.topLeft()) / m_imageRatio,
                  QSizeF(deviceRect.size()) / m_imageRatio)
        .toAlignedRect();
}

QRect ChalkSurface::bannerDeviceRect() const
{
    if (!m_banner)
        return {};
    const QRect logical = bannerRect();
    const qreal ratio = m_imageRatio;
    return QRectF(QPointF(logical.topLeft()) * ratio, QSizeF(logical.size()) * ratio).toRect();
}

void ChalkSurface::drawBanner(const QRegion &clip)
{
    if (!m_banner || m_image.isNull())
        return;
    // While the window is still being built the surface is small and the banner lies beyond
    // it: laying out its large text then would only be thrown away.
    const QRect area = bannerDeviceRect();
    if (!clip.intersects(area))
        return;
    closeImagePainter();
    QPainter painter(&m_image);
    painter.setClipRegion(clip);
    paintBanner(painter, *m_banner, area, dpi() / kPointsPerInch * m_imageRatio);
}

void ChalkSurface::wipe()
{
    syncImage();
    closeImagePainter();
    m_image.fill(toQColor(m_boardColour));
    drawBanner(QRegion(m_image.rect()));
    update();
}

QPainter *ChalkSurface::imagePainter(ColourValue colour)
{
    if (!m_painter.isActive()) {
        if (m_image.isNull() || !m_painter.begin(&m_image))
            return nullptr;
        m_penColour.reset();
    }
    if (m_penColour != colour) {
        // A square-capped pen of the chalk's width through the centres of the end pixels covers
        // both end pixels whole and nothing around them: the line is as sharp as the pixels.
        m_painter.setPen(QPen(toQColor(colour), penWidth(), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        m_penColour = colour;
    }
    return &m_painter;
}

void ChalkSurface::closeImagePainter()
{
    if (m_painter.isActive())
        m_painter.end();
}
