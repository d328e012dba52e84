#include "art.h"

#include "palette16.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string_view>

namespace artgen {

namespace pal = palette16;

namespace {

// Icons are drawn without antialiasing: blended edge pixels would fall outside the 16 colours.
QImage blankIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QColor legendColour(char key)
{
    switch (key) {
    case 'K': return pal::black;
    case 'M': return pal::maroon;
    case 'G': return pal::green;
    case 'O': return pal::olive;
    case 'N': return pal::navy;
    case 'U': return pal::purple;
    case 'T': return pal::teal;
    case 'S': return pal::silver;
    case 'A': return pal::grey;
    case 'R': return pal::red;
    case 'L': return pal::lime;
    case 'Y': return pal::yellow;
    case 'B': return pal::blue;
    case 'P': return pal::magenta;
    case 'C': return pal::cyan;
    case 'W': return pal::white;
    default: return Qt::transparent;
    }
}

// At 16 pixels every pixel counts, so the small icon is laid out pixel by pixel.
template <std::size_t Rows>
void paintPixelRows(QPainter &painter, const std::array<std::string_view, Rows> &rows)
{
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t x = 0; x < rows[y].size(); ++x) {
            if (rows[y][x] == '.')
                continue;
            painter.setPen(legendColour(rows[y][x]));
            painter.drawPoint(static_cast<int>(x), static_cast<int>(y));
        }
    }
}

QImage smallTree()
{
    static constexpr std::array<std::string_view, 16> kRows{
        ".......RR.......",
        "....RRRRRRRR....",
        "......RRRR......",
        ".....RR..RR.....",
        "......KLGK......",
        ".....KLGGRK.....",
        "....KLGGGGGK....",
        "...KYGGBGGGGK...",
        "....KKLGGGKK....",
        "....KLPGGGYK....",
        "...KLGGGGRGGK...",
        "..KLGCGGGGGPGK..",
        ".KRGGGGYGGBGGGK.",
        ".KKKKKKMMKKKKKK.",
        "......KMMK......",
        "......KKKK......",
    };
    QImage image = blankIcon(16);
    QPainter painter(&image);
    paintPixelRows(painter, kRows);
    return image;
}

void bauble(QPainter &painter, QPoint topLeft, const QColor &colour)
{
    // A ball four pixels across with its corners cut, and a glint on its upper left.
    const int x = topLeft.x();
    const int y = topLeft.y();
    painter.fillRect(x + 1, y, 2, 4, colour);
    painter.fillRect(x, y + 1, 4, 2, colour);
    painter.fillRect(x + 1, y + 1, 1, 1, colour == pal::white ? pal::silver : pal::white);
}

QImage largeTree()
{
    QImage image = blankIcon(32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);

    // The trunk first, so that the lowest tier overlaps its top.
    painter.setPen(pal::black);
    painter.setBrush(pal::maroon);
    painter.drawRect(13, 26, 5, 5);

    // Three tiers from the bottom up, each overlapping the one below.
    struct Tier { double top; double bottom; double halfWidth; };
    static constexpr std::array<Tier, 3> kTiers{{
        {12.0, 27.5, 14.0},
        {7.0, 20.5, 10.5},
        {3.0, 13.5, 7.5},
    }};
    for (const Tier &tier : kTiers) {
        const QPolygonF shape{
            QPointF(16.0, tier.top),
            QPointF(16.0 + tier.halfWidth, tier.bottom),
            QPointF(16.0 - tier.halfWidth, tier.bottom),
        };
        // Light from the upper left: lime shows where the green, shifted right, leaves a sliver.
        painter.setPen(Qt::NoPen);
        painter.setBrush(pal::lime);
        painter.drawPolygon(shape);
        painter.save();
        QPainterPath clip;
        clip.addPolygon(shape);
        painter.setClipPath(clip);
        painter.setBrush(pal::green);
        painter.drawPolygon(shape.translated(2.0, 0.0));
        painter.restore();
        painter.setPen(pal::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(shape);
    }

    struct Ball { QPoint topLeft; QColor colour; };
    const std::array<Ball, 9> balls{{
        {{12, 9}, pal::red},
        {{17, 9}, pal::blue},
        {{9, 16}, pal::magenta},
        {{14, 14}, pal::cyan},
        {{19, 16}, pal::red},
        {{6, 23}, pal::blue},
        {{11, 21}, pal::yellow},
        {{17, 22}, pal::magenta},
        {{22, 23}, pal::white},
    }};
    for (const Ball &ball : balls)
        bauble(painter, ball.topLeft, ball.colour);

    // A star this small reads best placed pixel by pixel.
    static constexpr std::array<std::string_view, 9> kStar{
        "...............RR...............",
        "...............RR...............",
        "..............RRRR..............",
        "...........RRRRRRRRRR...........",
        "............RRRRRRRR............",
        ".............RRRRRR.............",
        ".............RRRRRR.............",
        "............RRR..RRR............",
        "............RR....RR............",
    };
    paintPixelRows(painter, kStar);
    return image;
}

// The vector tree lives on a canvas of this many units; the scalable icon keeps it as its view box.
constexpr double kCanvas = 256.0;

// How the tree is drawn for a given number of pixels: strokes and baubles must stay at least a
// pixel or so wide, which at small sizes means wider in canvas units, so fewer baubles fit.
struct TreeDetail {
    double unitsPerPixel;
    double outline;       // in canvas units
    double baubleRadius;  // in canvas units
    double starRadius;    // in canvas units
    bool fewPixels;       // fewer baubles, set on pixel centres, without outlines
    bool glints;

    // A bauble this small reads as a round dot only when it sits on a pixel's centre.
    QPointF snapped(QPointF p) const
    {
        if (!fewPixels)
            return p;
        const auto snap = [this](double v) {
            return (std::floor(v / unitsPerPixel) + 0.5) * unitsPerPixel;
        };
        return {snap(p.x()), snap(p.y())};
    }
};

// The scalable icon is drawn as for 256 pixels, where a unit is a pixel. Below that the outline
// stays at least 1.1 pixels, a bauble at least a 3-pixel dot and the star at least 8 pixels
// across; glints on the baubles need 48 pixels or more.
TreeDetail treeDetail(int pixels)
{
    const double unitsPerPixel = pixels > 0 ? kCanvas / pixels : 1.0;
    const bool fewPixels = pixels > 0 && pixels < 32;
    return {unitsPerPixel,
            std::max(6.0, 1.1 * unitsPerPixel),
            std::max(12.0, 1.5 * unitsPerPixel),
            std::max(34.0, 4.2 * unitsPerPixel),
            fewPixels,
            !fewPixels && unitsPerPixel <= kCanvas / 48};
}

QPainterPath star(QPointF centre, double outer, double inner)
{
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double radius = i % 2 == 0 ? outer : inner;
        const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        const QPointF corner = centre + QPointF(std::cos(angle), std::sin(angle)) * radius;
        if (i == 0)
            path.moveTo(corner);
        else
            path.lineTo(corner);
    }
    path.closeSubpath();
    return path;
}

QPainterPath disc(QPointF centre, double radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

} // namespace

VectorDrawing christmasTreeDrawing(int pixels)
{
    const TreeDetail detail = treeDetail(pixels);
    const QColor outline(0x1b, 0x5e, 0x20);
    const QColor litGreen(0x4c, 0xaf, 0x50);
    const QColor shadedGreen(0x2e, 0x8b, 0x3a);
    VectorDrawing drawing{kCanvas, {}};

    QPainterPath trunk;
    trunk.addRoundedRect(QRectF(108, 196, 40, 52), 5, 5);
    drawing.shapes.append({trunk, QColor(0x8d, 0x5a, 0x2e), QColor(0x4e, 0x2c, 0x12), detail.outline});

    // Three tiers from the bottom up, each a triangle whose lower edge sags a little, lit from the
    // left: the right half is a darker green, cut along the tier's own curve.
    struct Tier { double apex; double bottom; double halfWidth; double sag; };
    static constexpr std::array<Tier, 3> kTiers{{
        {104.0, 208.0, 108.0, 16.0},
        {72.0, 156.0, 80.0, 14.0},
        {44.0, 106.0, 54.0, 12.0},
    }};
    for (const Tier &tier : kTiers) {
        const QPointF apex(kCanvas / 2, tier.apex);
        const QPointF left(kCanvas / 2 - tier.halfWidth, tier.bottom);
        const QPointF right(kCanvas / 2 + tier.halfWidth, tier.bottom);
        const QPointF sag(kCanvas / 2, tier.bottom + 2 * tier.sag);
        QPainterPath whole(apex);
        whole.lineTo(right);
        whole.quadTo(sag, left);
        whole.closeSubpath();
        // The right half of a quadratic curve has its control point halfway along the right leg.
        QPainterPath shade(apex);
        shade.lineTo(right);
        shade.quadTo((right + sag) / 2, QPointF(kCanvas / 2, tier.bottom + tier.sag));
        shade.closeSubpath();
        drawing.shapes.append({whole, litGreen, {}, 0.0});
        drawing.shapes.append({shade, shadedGreen, {}, 0.0});
        drawing.shapes.append({whole, {}, outline, detail.outline});
    }

    // Baubles hang along the tiers' lower edges; the ones marked small stay when pixels are few.
    struct Ball { QPointF centre; QColor colour; bool small; };
    const std::array<Ball, 10> balls{{
        {{106, 96}, QColor(0x29, 0xb6, 0xf6), false},
        {{152, 98}, QColor(0xff, 0x98, 0x00), true},
        {{78, 146}, QColor(0xfd, 0xd8, 0x35), true},
        {{126, 158}, QColor(0xe5, 0x39, 0x35), false},
        {{174, 146}, QColor(0xab, 0x47, 0xbc), false},
        {{44, 198}, QColor(0x1e, 0x88, 0xe5), false},
        {{90, 208}, QColor(0xe5, 0x39, 0x35), true},
        {{138, 212}, QColor(0xfd, 0xd8, 0x35), false},
        {{184, 204}, QColor(0x29, 0xb6, 0xf6), true},
        {{214, 194}, QColor(0xec, 0x40, 0x7a), false},
    }};
    for (const Ball &ball : balls) {
        if (detail.fewPixels && !ball.small)
            continue;
        const QPointF centre = detail.snapped(ball.centre);
        // Where pixels are few an outline would swallow the colour.
        drawing.shapes.append({disc(centre, detail.baubleRadius), ball.colour,
                               detail.fewPixels ? QColor() : ball.colour.darker(150),
                               detail.outline * 0.6});
        if (detail.glints) {
            const double r = detail.baubleRadius;
            drawing.shapes.append({disc(centre + QPointF(-0.35 * r, -0.35 * r), 0.3 * r),
                                   QColor(255, 255, 255, 200), {}, 0.0});
        }
    }

    const double r = detail.starRadius;
    drawing.shapes.append({star(QPointF(kCanvas / 2, r + 4), r, 0.44 * r), QColor(0xe5, 0x39, 0x35),
                           QColor(0x9a, 0x12, 0x12), detail.outline * 0.75});
    return drawing;
}

QImage christmasTreeIcon(int size)
{
    if (size <= 16)
        return smallTree();
    if (size == 32)
        return largeTree();
    return renderDrawing(christmasTreeDrawing(size), size);
}

QImage smilingFaceIcon()
{
    QImage image = blankIcon(32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);

    painter.setPen(QPen(pal::black, 1));
    painter.setBrush(pal::yellow);
    painter.drawEllipse(QRect(1, 1, 29, 29));

    // A gleam on the upper left gives the face some roundness.
    painter.setPen(pal::white);
    painter.drawArc(QRect(4, 4, 23, 23), 110 * 16, 40 * 16);

    painter.setPen(Qt::NoPen);
    painter.setBrush(pal::black);
    painter.drawEllipse(QRect(10, 8, 3, 6));
    painter.drawEllipse(QRect(19, 8, 3, 6));

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(pal::black, 2, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRect(8, 9, 16, 14), -25 * 16, -130 * 16);
    return image;
}

namespace {

// A repeatable grain for chalk and wood: a hash of the pixel position, in [0, 1).
double grain(int x, int y, quint32 seed)
{
    quint32 h = static_cast<quint32>(x) * 374761393u + static_cast<quint32>(y) * 668265263u + seed;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xffffu) / 65536.0;
}

void paintWood(QPainter &painter, const QPolygonF &shape, QPointF along, quint32 seed)
{
    const QRectF box = shape.boundingRect();
    QLinearGradient light(box.topLeft(), box.topLeft() + QPointF(along.y(), -along.x()) * 0.05);
    light.setSpread(QGradient::ReflectSpread);
    light.setColorAt(0.0, QColor(150, 96, 48));
    light.setColorAt(1.0, QColor(112, 68, 30));
    painter.setPen(QPen(QColor(60, 34, 14), 1.2));
    painter.setBrush(light);
    painter.drawPolygon(shape);

    // Grain: thin darker streaks running along the piece.
    painter.save();
    QPainterPath clip;
    clip.addPolygon(shape);
    painter.setClipPath(clip);
    const QPointF across = QPointF(-along.y(), along.x());
    const QPointF centre = box.center();
    const double extent = std::hypot(box.width(), box.height());
    for (int i = -12; i <= 12; ++i) {
        const double offset = i * 1.7 + grain(i, 0, seed) * 0.8;
        const QColor streak(80, 48, 20, 60 + static_cast<int>(grain(i, 1, seed) * 80));
        painter.setPen(QPen(streak, 0.7));
        painter.drawLine(centre + across * offset - along * extent,
                         centre + across * offset + along * extent);
    }
    painter.restore();
}

QPolygonF beam(QPointF from, QPointF to, double width)
{
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    const QPointF n = QPointF(-d.y(), d.x()) / length * (width / 2);
    return QPolygonF{from + n, to + n, to - n, from - n};
}

QPointF unit(QPointF from, QPointF to)
{
    const QPointF d = to - from;
    return d / std::hypot(d.x(), d.y());
}

// Chalk is drawn onto its own layer first, then broken up by grain so that it looks rubbed on.
void applyChalkGrain(QImage &layer, quint32 seed)
{
    for (int y = 0; y < layer.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            if (alpha == 0)
                continue;
            const double keep = 0.45 + 0.55 * grain(x, y, seed);
            const int kept = static_cast<int>(alpha * keep);
            // Premultiplied pixels scale every channel together.
            line[x] = qRgba(qRed(line[x]) * kept / alpha, qGreen(line[x]) * kept / alpha,
                            qBlue(line[x]) * kept / alpha, kept);
        }
    }
}

void drawBird(QPainter &chalk)
{
    const QColor white(240, 240, 232);
    const QColor yellow(250, 220, 90);
    const QColor pink(240, 150, 170);
    const QColor leafGreen(150, 220, 130);
    const QColor brown(210, 160, 110);

    chalk.setBrush(Qt::NoBrush);

    // The branch it sits on, with two leaves.
    chalk.setPen(QPen(brown, 3.2, Qt::SolidLine, Qt::RoundCap));
    QPainterPath branch(QPointF(78, 142));
    branch.cubicTo(QPointF(120, 134), QPointF(170, 140), QPointF(236, 128));
    chalk.drawPath(branch);
    chalk.drawLine(QPointF(200, 134), QPointF(218, 148));
    chalk.setPen(QPen(leafGreen, 2.2, Qt::SolidLine, Qt::RoundCap));
    for (const auto &[base, tip] : {std::pair{QPointF(100, 139), QPointF(90, 124)},
                                    std::pair{QPointF(214, 131), QPointF(230, 116)},
                                    std::pair{QPointF(218, 148), QPointF(232, 152)}}) {
        QPainterPath leaf(base);
        const QPointF mid = (base + tip) / 2;
        const QPointF side = QPointF(-(tip - base).y(), (tip - base).x()) * 0.35;
        leaf.quadTo(mid + side, tip);
        leaf.quadTo(mid - side, base);
        chalk.drawPath(leaf);
        chalk.drawLine(base, tip);
    }

    // The bird: a round body, a head, a wing, a fanned tail.
    QPainterPath body(QPointF(128, 108));
    body.cubicTo(QPointF(126, 80), QPointF(150, 66), QPointF(170, 72));
    body.cubicTo(QPointF(186, 60), QPointF(206, 68), QPointF(204, 86));
    body.cubicTo(QPointF(202, 100), QPointF(192, 106), QPointF(186, 114));
    body.cubicTo(QPointF(176, 132), QPointF(146, 134), QPointF(128, 108));
    chalk.setPen(Qt::NoPen);
    chalk.setBrush(QColor(170, 205, 235, 110));
    chalk.drawPath(body);
    chalk.setBrush(QColor(245, 170, 120, 120)); // a warm breast
    chalk.drawEllipse(QPointF(184, 100), 13, 12);
    chalk.setBrush(Qt::NoBrush);
    chalk.setPen(QPen(white, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    chalk.drawPath(body);

    QPainterPath wing(QPointF(146, 92));
    wing.cubicTo(QPointF(156, 80), QPointF(176, 82), QPointF(180, 98));
    wing.cubicTo(QPointF(168, 104), QPointF(152, 104), QPointF(146, 92));
    chalk.drawPath(wing);
    chalk.setPen(QPen(white, 1.6, Qt::SolidLine, Qt::RoundCap));
    chalk.drawLine(QPointF(154, 92), QPointF(172, 96));
    chalk.drawLine(QPointF(158, 98), QPointF(172, 100));

    chalk.setPen(QPen(white, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tail(QPointF(131, 104));
    tail.lineTo(QPointF(104, 96));
    tail.lineTo(QPointF(108, 106));
    tail.lineTo(QPointF(100, 112));
    tail.lineTo(QPointF(110, 116));
    tail.lineTo(QPointF(106, 124));
    tail.lineTo(QPointF(136, 116));
    chalk.drawPath(tail);

    // Eye and beak.
    chalk.setPen(Qt::NoPen);
    chalk.setBrush(white);
    chalk.drawEllipse(QPointF(193, 76), 3.2, 3.2);
    chalk.setPen(QPen(white, 1.4));
    chalk.setBrush(Qt::NoBrush);
    chalk.setPen(QPen(yellow, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    chalk.setBrush(QColor(250, 220, 90, 150));
    chalk.drawPolygon(QPolygonF{QPointF(203, 78), QPointF(218, 84), QPointF(202, 88)});
    chalk.setBrush(Qt::NoBrush);

    // Feet gripping the branch.
    chalk.setPen(QPen(yellow, 1.8, Qt::SolidLine, Qt::RoundCap));
    chalk.drawLine(QPointF(160, 124), QPointF(158, 137));
    chalk.drawLine(QPointF(172, 123), QPointF(171, 136));
    chalk.drawLine(QPointF(158, 137), QPointF(153, 140));
    chalk.drawLine(QPointF(171, 136), QPointF(166, 139));

    // A cheerful sun in the corner and a few notes of song.
    chalk.setPen(QPen(yellow, 2.2, Qt::SolidLine, Qt::RoundCap));
    chalk.drawEllipse(QPointF(94, 62), 11, 11);
    for (int i = 0; i < 8; ++i) {
        const double angle = i * std::numbers::pi / 4;
        const QPointF dir(std::cos(angle), std::sin(angle));
        chalk.drawLine(QPointF(94, 62) + dir * 15, QPointF(94, 62) + dir * 21);
    }
    chalk.setPen(QPen(pink, 2.0, Qt::SolidLine, Qt::RoundCap));
    chalk.setBrush(pink);
    for (const QPointF note : {QPointF(222, 58), QPointF(234, 48)}) {
        chalk.drawEllipse(note, 2.5, 2.0);
        chalk.drawLine(note + QPointF(2.5, 0), note + QPointF(2.5, -12));
    }
}

} // namespace

QImage easelPicture()
{
    constexpr int kWidth = 320;
    constexpr int kHeight = 240;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);

    // The easel: a back leg behind, two front legs spread wide, a ledge that holds the board.
    const QPointF apex(160, 18);
    paintWood(painter, beam(QPointF(160, 20), QPointF(168, 236), 9), unit({160, 20}, {168, 236}), 11);
    const QPointF leftFoot(62, 236);
    const QPointF rightFoot(258, 236);
    paintWood(painter, beam(apex, leftFoot, 11), unit(apex, leftFoot), 23);
    paintWood(painter, beam(apex, rightFoot, 11), unit(apex, rightFoot), 37);
    paintWood(painter, beam(QPointF(98, 212), QPointF(222, 212), 6), QPointF(1, 0), 41);

    // The board with its wooden frame.
    const QRectF frame(52, 26, 216, 150);
    paintWood(painter, QPolygonF(frame), QPointF(1, 0), 53);
    const QRectF slate = frame.adjusted(8, 8, -8, -8);
    QLinearGradient slateShade(slate.topLeft(), slate.bottomRight());
    slateShade.setColorAt(0.0, QColor(40, 78, 58));
    slateShade.setColorAt(1.0, QColor(24, 54, 40));
    painter.setPen(QPen(QColor(20, 30, 24), 1.0));
    painter.setBrush(slateShade);
    painter.drawRect(slate);

    // Old wiping left faint clouds of dust on the slate.
    painter.setPen(Qt::NoPen);
    for (const auto &[centre, radius] : {std::pair{QPointF(120, 150), 40.0},
                                        std::pair{QPointF(232, 70), 30.0},
                                        std::pair{QPointF(190, 156), 26.0}}) {
        QRadialGradient dust(centre, radius);
        dust.setColorAt(0.0, QColor(200, 220, 210, 34));
        dust.setColorAt(1.0, QColor(200, 220, 210, 0));
        painter.setBrush(dust);
        painter.drawEllipse(centre, radius, radius * 0.6);
    }

    QImage chalkLayer(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    chalkLayer.fill(Qt::transparent);
    {
        QPainter chalk(&chalkLayer);
        chalk.setRenderHint(QPainter::Antialiasing, true);
        chalk.setClipRect(slate.adjusted(2, 2, -2, -2));
        drawBird(chalk);
    }
    applyChalkGrain(chalkLayer, 97);
    painter.drawImage(0, 0, chalkLayer);

    // The ledge under the board, with sticks of chalk and a felt eraser on it.
    paintWood(painter, QPolygonF(QRectF(44, 174, 232, 9)), QPointF(1, 0), 61);
    painter.setPen(QPen(QColor(90, 90, 90), 0.8));
    painter.setBrush(QColor(238, 238, 230));
    painter.drawRoundedRect(QRectF(80, 168, 24, 6), 2, 2);
    painter.setBrush(QColor(240, 200, 80));
    painter.drawRoundedRect(QRectF(110, 169, 16, 5), 2, 2);
    painter.setBrush(QColor(230, 120, 140));
    painter.drawRoundedRect(QRectF(132, 169, 12, 5), 2, 2);
    painter.setPen(QPen(QColor(40, 30, 20), 0.8));
    painter.setBrush(QColor(176, 128, 72));
    painter.drawRect(QRectF(206, 164, 38, 6));
    painter.setBrush(QColor(70, 70, 80));
    painter.drawRect(QRectF(206, 170, 38, 4));

    // The clamp that holds the board's top edge at the apex.
    paintWood(painter, QPolygonF(QRectF(146, 14, 28, 14)), QPointF(1, 0), 71);
    return image;
}

} // namespace artgen
