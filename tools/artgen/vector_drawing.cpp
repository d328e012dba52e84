#include "vector_drawing.h"

#include <QPainter>
#include <QXmlStreamWriter>

namespace artgen {

namespace {

// Six significant digits keep the file small and stable while staying far below a pixel at any
// size a desktop asks for.
QString number(double value)
{
    return QString::number(value, 'g', 6);
}

QString point(QPointF p)
{
    return number(p.x()) + QLatin1Char(' ') + number(p.y());
}

// SVG path data for a Qt path. Qt keeps every curve as a cubic, and a subpath that ends where it
// started is closed, so that its outline joins there instead of ending in two caps.
QString pathData(const QPainterPath &path)
{
    QStringList commands;
    QPointF subpathStart;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            subpathStart = e;
            commands << QLatin1String("M") + point(e);
        } else if (e.isLineTo()) {
            commands << QLatin1String("L") + point(e);
        } else {
            const QPointF c2 = path.elementAt(i + 1);
            const QPointF end = path.elementAt(i + 2);
            commands << QLatin1String("C") + point(e) + QLatin1Char(' ') + point(c2)
                            + QLatin1Char(' ') + point(end);
            i += 2;
        }
        const bool lastOfSubpath = i + 1 == path.elementCount() || path.elementAt(i + 1).isMoveTo();
        if (lastOfSubpath && !e.isMoveTo() && path.elementAt(i) == subpathStart)
            commands << QStringLiteral("Z");
    }
    return commands.join(QLatin1Char(' '));
}

void writePaint(QXmlStreamWriter &xml, const QString &name, const QColor &colour)
{
    if (!colour.isValid()) {
        xml.writeAttribute(name, QStringLiteral("none"));
        return;
    }
    xml.writeAttribute(name, colour.name(QColor::HexRgb));
    if (colour.alpha() != 255)
        xml.writeAttribute(name + QLatin1String("-opacity"), number(colour.alphaF()));
}

} // namespace

QImage renderDrawing(const VectorDrawing &drawing, int pixels)
{
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(pixels / drawing.side, pixels / drawing.side);
    for (const VectorShape &shape : drawing.shapes) {
        painter.setBrush(shape.fill.isValid() ? QBrush(shape.fill) : QBrush(Qt::NoBrush));
        painter.setPen(shape.outline.isValid()
                           ? QPen(shape.outline, shape.outlineWidth, Qt::SolidLine, Qt::RoundCap,
                                  Qt::RoundJoin)
                           : QPen(Qt::NoPen));
        painter.drawPath(shape.path);
    }
    return image;
}

QByteArray encodeSvg(const VectorDrawing &drawing)
{
    QByteArray file;
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("svg"));
    xml.writeDefaultNamespace(QStringLiteral("http://www.w3.org/2000/svg"));
    xml.writeAttribute(QStringLiteral("width"), number(drawing.side));
    xml.writeAttribute(QStringLiteral("height"), number(drawing.side));
    xml.writeAttribute(QStringLiteral("viewBox"),
                       QStringLiteral("0 0 %1 %1").arg(number(drawing.side)));
    for (const VectorShape &shape : drawing.shapes) {
        xml.writeEmptyElement(QStringLiteral("path"));
        xml.writeAttribute(QStringLiteral("d"), pathData(shape.path));
        if (shape.path.fillRule() == Qt::OddEvenFill)
            xml.writeAttribute(QStringLiteral("fill-rule"), QStringLiteral("evenodd"));
        writePaint(xml, QStringLiteral("fill"), shape.fill);
        if (shape.outline.isValid()) {
            writePaint(xml, QStringLiteral("stroke"), shape.outline);
            xml.writeAttribute(QStringLiteral("stroke-width"), number(shape.outlineWidth));
            xml.writeAttribute(QStringLiteral("stroke-linejoin"), QStringLiteral("round"));
            xml.writeAttribute(QStringLiteral("stroke-linecap"), QStringLiteral("round"));
        }
    }
    xml.writeEndDocument();
    return file;
}

} // namespace artgen
