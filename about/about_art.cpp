#include "about_art.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>

#include <array>

namespace about {

namespace {

constexpr auto kPictureResource = ":/resources/about_picture.bmp";
constexpr std::array kIconResources{":/resources/about_icon.png", ":/resources/about_icon32.png"};

constexpr QSize kPictureSize(320, 240);
constexpr QSize kIconSize(32, 32);

// Stand-in until the picture is among the resources: the easel, the board and the bird in a few
// strokes, on black like the real one.
QPixmap drawnPicture()
{
    QPixmap picture(kPictureSize);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);

    const QColor wood(139, 90, 43);
    painter.setPen(QPen(wood, 8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(110, 40, 70, 232);  // left leg
    painter.drawLine(210, 40, 250, 232); // right leg
    painter.drawLine(160, 30, 160, 232); // back leg

    const QRect board(60, 40, 200, 130);
    painter.setPen(QPen(wood, 6));
    painter.setBrush(QColor(24, 72, 40));
    painter.drawRect(board);

    QPainterPath bird;
    bird.moveTo(110, 110);
    bird.quadTo(135, 80, 160, 105);
    bird.quadTo(185, 80, 210, 110);
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(bird);
    painter.drawEllipse(QPointF(160, 112), 6, 5);
    return picture;
}

QPixmap drawnIcon()
{
    QPixmap icon(kIconSize);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(Qt::yellow);
    painter.drawEllipse(QRectF(2, 2, 28, 28));
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(11.5, 12.5), 1.5, 2.5);
    painter.drawEllipse(QPointF(20.5, 12.5), 1.5, 2.5);
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(9, 11, 14, 12), 200 * 16, 140 * 16);
    return icon;
}

} // namespace

QPixmap aboutPicture()
{
    QPixmap picture;
    if (QFile::exists(QLatin1String(kPictureResource)) && picture.load(QLatin1String(kPictureResource)))
        return picture;
    return drawnPicture();
}

QIcon aboutIcon()
{
    for (const char *name : kIconResources) {
        QPixmap image;
        if (QFile::exists(QLatin1String(name)) && image.load(QLatin1String(name)))
            return QIcon(image);
    }
    return QIcon(drawnIcon());
}

} // namespace about
