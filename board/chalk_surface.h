#pragma once

#include "colour_value.h"
#include "frame_pacer.h"
#include "stored.h"

#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QWidget>

#include <optional>

// The board's drawing surface: the client area of the board window.
//
// It holds its drawing as an image of its own size in device pixels and nothing else: no list
// of strokes, no second copy. Each operation paints into the image and asks to repaint only
// the rectangle it changed; a repaint copies that rectangle of the image to the screen. Chalk
// reaches the screen at the pace of the compositor's frames (FramePacer); everything else at once.
// When the surface grows, the new area comes in the board colour; what it already shows stays.
//
// Positions are board coordinates: 32-bit real twips from the top-left corner, x to the right,
// y downwards. Any value is accepted: what lies outside the surface is clipped away, and a
// position that is not a finite number draws nothing and leaves the current point as it was.
//
// The surface also paints the welcome banner (Label1) under the chalk.
class ChalkSurface : public QWidget
{
    Q_OBJECT

public:
    explicit ChalkSurface(QWidget *parent = nullptr);

    ColourValue boardColour() const { return m_boardColour; }
    // Fills the whole surface with the colour, removing all chalk; a shown banner stays.
    void setBoardColour(ColourValue colour);

    // The window system's default text colour; the colour of a plotted point.
    static ColourValue foregroundColour();

    QPointF currentPoint() const { return m_currentPoint; }
    void setCurrentPoint(float x, float y);

    // Sets the pixel at (x, y) to the foreground colour; the current point becomes (x, y).
    void plot(float x, float y);

    // A solid line from the current point to (x, y), both ends included, one pixel wide (as
    // many device pixels as the scale factor rounds to); the current point becomes (x, y).
    void lineTo(float x, float y, ColourValue colour);

    // Fills the surface with the board colour and moves the current point to (0, 0).
    void clear();

    // The banner is painted at once and whenever the surface is wiped, until it is hidden; when
    // it hides, its rectangle returns in the board colour, without the chalk over it.
    void showBanner(const StoredLabel &banner);
    void hideBanner();
    bool isBannerVisible() const { return m_banner.has_value(); }
    // Whether a position in the surface's own pixels falls in one of the shown banner's pixels.
    bool bannerContains(const QPointF &pixelPosition) const;
    // The shown banner's caption and its rectangle in the surface's own pixels.
    QString bannerCaption() const;
    QRect bannerRect() const;

    // Board coordinates of a position in the surface's own (logical) pixels.
    QPointF toTwips(const QPointF &pixelPosition) const;

    // Width of the chalk in device pixels: the whole number nearest the scale factor.
    int penWidth() const;

    // The drawing, in device pixels.
    const QImage &image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Brings the image, its scale and the logical dots per inch in step with the screen.
    void syncImage();
    double dpi() const;
    // Device pixel coordinates of a board position.
    QPointF toDevice(double x, double y) const;
    // The device pixels a rectangle of logical pixels covers, and back.
    QRect logicalToDevice(const QRect &logicalRect) const;
    QRect deviceToLogical(const QRect &deviceRect) const;
    QRect bannerDeviceRect() const;
    // The image's painter, open, its pen the chalk of this colour; null while there is no image.
    QPainter *imagePainter(ColourValue colour);
    // Closes the image's painter: before the image is replaced, filled whole or painted by
    // another painter.
    void closeImagePainter();
    void drawBanner(const QRegion &clip);
    void wipe();

    QImage m_image;
    qreal m_imageRatio = 1.0; // the device pixel ratio the image was made for
    double m_dpi = 0.0;       // the logical dots per inch, taken with the scale by syncImage()
    ColourValue m_boardColour = 0;
    QPointF m_currentPoint; // twips
    std::optional<StoredLabel> m_banner;
    // Opening a painter for each segment cost as much as drawing it: the painter stays open on
    // the image from a stroke's first segment until something else needs the image. (A copy of
    // the image taken meanwhile gets pixels of its own: QImage copies an image being painted.)
    // It is declared after the image, so that it closes before the image goes.
    QPainter m_painter;
    std::optional<ColourValue> m_penColour; // the chalk the open painter's pen has
    FramePacer m_pacer; // the chalk's repaints
};
