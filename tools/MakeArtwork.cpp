// qel-make-artwork OUTDIR: draws every picture and the prompt sound of the program into
// OUTDIR/jpg, OUTDIR/bitmap and OUTDIR/wave. The output is committed under resources/, so the
// program never draws its artwork at run time; rerun this after changing a drawing.
//
// Pictures whose top-left pixel colour is drawn transparent use magenta for that colour.
// Their shapes are painted with antialiasing onto a clear canvas and then flattened: pixels
// that are mostly clear become magenta, the rest keep their colour, so no pink fringe appears
// on whatever background shows through.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgGenerator>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr QRgb KeyColour = 0xFFFF00FF;

// The colours of the four analysis bands; the banners and markers take their tones from them.
const QColor BandBlue(0x30, 0x48, 0x87);
const QColor BandYellow(0x7A, 0x67, 0x25);
const QColor BandGreen(0x30, 0x6D, 0x44);
const QColor BandRed(0x8C, 0x37, 0x37);

QFont SansFont(int pixelSize, bool bold)
{
    QFont font(u"Liberation Sans"_s);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

class ArtworkWriter
{
public:
    explicit ArtworkWriter(const QString &root) : Root_(root) {}

    bool Ok() const { return Ok_; }

    void Jpeg(const QString &name, const QImage &image)
    {
        Save(u"jpg/"_s + name + u".jpg"_s, image.convertToFormat(QImage::Format_RGB888), "JPG", 90);
    }

    void Bitmap(const QString &name, const QImage &image)
    {
        Save(u"bitmap/"_s + name + u".bmp"_s, image.convertToFormat(QImage::Format_RGB888), "BMP", -1);
    }

    // The application icon: the same drawing as SVG and as PNGs of the given sizes, in the
    // layout of the hicolor theme (icons/hicolor/SIZE/apps/NAME.png|svg).
    void Icon(const QString &name, const std::function<void(QPainter &)> &draw, int canvas,
              std::initializer_list<int> sizes)
    {
        const QString svgPath = Path(u"icons/hicolor/scalable/apps/"_s + name + u".svg"_s);
        QSvgGenerator svg;
        svg.setFileName(svgPath);
        svg.setSize(QSize(canvas, canvas));
        svg.setViewBox(QRect(0, 0, canvas, canvas));
        svg.setTitle(u"Orvo Haushaltsbuch"_s);
        QPainter painter;
        if (!painter.begin(&svg))
            return Fail(svgPath);
        draw(painter);
        painter.end();
        for (const int size : sizes) {
            QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            p.scale(double(size) / canvas, double(size) / canvas);
            draw(p);
            p.end();
            const QString sizeName = QString::number(size) + u'x' + QString::number(size);
            Save(u"icons/hicolor/"_s + sizeName + u"/apps/"_s + name + u".png"_s, image, "PNG", -1);
        }
    }

    void Wave(const QString &name, const QByteArray &bytes)
    {
        const QString path = Path(u"wave/"_s + name + u".wav"_s);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            Fail(path);
    }

private:
    QString Path(const QString &relative)
    {
        const QString path = QDir(Root_).filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        return path;
    }

    void Save(const QString &relative, const QImage &image, const char *format, int quality)
    {
        const QString path = Path(relative);
        if (!image.save(path, format, quality))
            Fail(path);
    }

    void Fail(const QString &path)
    {
        QTextStream(stderr) << "qel-make-artwork: cannot write " << path << '\n';
        Ok_ = false;
    }

    QString Root_;
    bool Ok_ = true;
};

QImage ClearCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Pixels at least half covered keep their colour, softened toward a neutral grey by the
// uncovered part; the rest become the transparent key colour.
QImage Flatten(const QImage &canvas)
{
    const QImage source = canvas.convertToFormat(QImage::Format_ARGB32);
    QImage result(source.size(), QImage::Format_RGB888);
    const QColor neutral(0xD4, 0xD0, 0xC8);
    for (int y = 0; y < source.height(); ++y) {
        for (int x = 0; x < source.width(); ++x) {
            const QRgb pixel = source.pixel(x, y);
            const int alpha = qAlpha(pixel);
            QRgb out = KeyColour;
            if (alpha >= 128) {
                const auto mix = [alpha](int colour, int back) {
                    return (colour * alpha + back * (255 - alpha) + 127) / 255;
                };
                out = qRgb(mix(qRed(pixel), neutral.red()), mix(qGreen(pixel), neutral.green()),
                           mix(qBlue(pixel), neutral.blue()));
                if (out == KeyColour)
                    out = qRgb(254, 0, 255);
            }
            result.setPixel(x, y, out);
        }
    }
    return result;
}

QColor Mix(const QColor &a, const QColor &b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// Rows identical, each channel interpolated linearly from the first to the last column.
QImage Band(int width, int height, const QColor &left, const QColor &right)
{
    QImage image(width, height, QImage::Format_RGB888);
    const auto channel = [width](int from, int to, int x) {
        return int(std::lround(from + double(to - from) * x / (width - 1)));
    };
    for (int x = 0; x < width; ++x) {
        const QRgb colour = qRgb(channel(left.red(), right.red(), x), channel(left.green(), right.green(), x),
                                 channel(left.blue(), right.blue(), x));
        for (int y = 0; y < height; ++y)
            image.setPixel(x, y, colour);
    }
    return image;
}

enum class Symbol { Income, Expense, Regular, Book, Backup, Info };

void DrawArrow(QPainter &p, QPointF tip, double size, bool down, const QColor &fill, const QColor &outline,
               double outlineWidth)
{
    const double s = size;
    const double dir = down ? 1.0 : -1.0;
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(tip.x() - 0.5 * s, tip.y() - dir * 0.5 * s);
    path.lineTo(tip.x() - 0.2 * s, tip.y() - dir * 0.5 * s);
    path.lineTo(tip.x() - 0.2 * s, tip.y() - dir * s);
    path.lineTo(tip.x() + 0.2 * s, tip.y() - dir * s);
    path.lineTo(tip.x() + 0.2 * s, tip.y() - dir * 0.5 * s);
    path.lineTo(tip.x() + 0.5 * s, tip.y() - dir * 0.5 * s);
    path.closeSubpath();
    p.setPen(outlineWidth > 0 ? QPen(outline, outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)
                              : QPen(Qt::NoPen));
    p.setBrush(fill);
    p.drawPath(path);
}

void DrawCoin(QPainter &p, const QRectF &r)
{
    QRadialGradient gold(r.center() - QPointF(r.width() * 0.2, r.height() * 0.2), r.width() * 0.8);
    gold.setColorAt(0, QColor(0xFF, 0xF1, 0xA8));
    gold.setColorAt(0.6, QColor(0xF2, 0xC2, 0x3A));
    gold.setColorAt(1, QColor(0xC8, 0x8E, 0x10));
    p.setPen(QPen(QColor(0x8A, 0x60, 0x08), 3));
    p.setBrush(gold);
    p.drawEllipse(r);
    p.setPen(QPen(QColor(0xFF, 0xF6, 0xD0, 160), 2.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(r.adjusted(6, 6, -6, -6));
    // The euro sign from two strokes and an arc.
    const QPointF c = r.center();
    const double e = r.width() * 0.24;
    QPen euro(QColor(0x8A, 0x60, 0x08), r.width() * 0.085, Qt::SolidLine, Qt::FlatCap);
    p.setPen(euro);
    p.drawArc(QRectF(c.x() - e + 2, c.y() - e, 2 * e, 2 * e), 50 * 16, 260 * 16);
    p.drawLine(QPointF(c.x() - e - 4, c.y() - e * 0.25), QPointF(c.x() + e * 0.35, c.y() - e * 0.25));
    p.drawLine(QPointF(c.x() - e - 4, c.y() + e * 0.25), QPointF(c.x() + e * 0.2, c.y() + e * 0.25));
}

void DrawBadge(QPainter &p, const QPointF &centre, double radius, const QColor &colour)
{
    QRadialGradient g(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.3);
    g.setColorAt(0, colour.lighter(150));
    g.setColorAt(1, colour);
    p.setPen(QPen(Qt::white, 3));
    p.setBrush(g);
    p.drawEllipse(centre, radius, radius);
}

// Symbols are drawn in a 100 x 100 box, scaled onto the given one.
void DrawSymbol(QPainter &p, Symbol symbol, const QRectF &box)
{
    p.save();
    p.translate(box.topLeft());
    p.scale(box.width() / 100.0, box.height() / 100.0);
    p.setRenderHint(QPainter::Antialiasing);
    switch (symbol) {
    case Symbol::Income:
    case Symbol::Expense: {
        const bool income = symbol == Symbol::Income;
        DrawCoin(p, QRectF(4, 4, 74, 74));
        DrawBadge(p, QPointF(72, 72), 25, income ? BandGreen : BandRed);
        DrawArrow(p, income ? QPointF(72, 90) : QPointF(72, 54), 34, income, Qt::white, Qt::white, 0);
        break;
    }
    case Symbol::Regular: {
        QRadialGradient g(QPointF(38, 34), 70);
        g.setColorAt(0, QColor(0xFF, 0xF3, 0xB0));
        g.setColorAt(1, QColor(0xE0, 0xB0, 0x20));
        p.setPen(QPen(BandYellow, 3));
        p.setBrush(g);
        p.drawEllipse(QRectF(4, 4, 92, 92));
        // Two chasing arrows: the booking comes back every month.
        QPen arc(BandYellow.darker(130), 9, Qt::SolidLine, Qt::FlatCap);
        p.setPen(arc);
        p.setBrush(Qt::NoBrush);
        const QRectF ring(26, 26, 48, 48);
        p.drawArc(ring, 20 * 16, 130 * 16);
        p.drawArc(ring, 200 * 16, 130 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(BandYellow.darker(130));
        // Heads at the arcs' ends, pointing on counter-clockwise.
        const auto head = [&p](double angleDeg) {
            const double a = angleDeg * std::numbers::pi / 180.0;
            const QPointF on(50 + 24 * std::cos(a), 50 - 24 * std::sin(a));
            const QPointF tangent(-std::sin(a), -std::cos(a));
            const QPointF normal(std::cos(a), -std::sin(a));
            QPolygonF tri;
            tri << on + tangent * 16 << on + normal * 13 << on - normal * 13;
            p.drawPolygon(tri);
        };
        head(150);
        head(330);
        break;
    }
    case Symbol::Book: {
        // A closed book seen from the front, pages to the right.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawRoundedRect(QRectF(20, 10, 70, 86), 6, 6);
        p.setBrush(QColor(0xF7, 0xF4, 0xE8));
        p.setPen(QPen(QColor(0x9A, 0x94, 0x80), 2));
        p.drawRoundedRect(QRectF(22, 8, 64, 82), 4, 4);
        QLinearGradient cover(QPointF(10, 0), QPointF(80, 0));
        cover.setColorAt(0, BandBlue.darker(120));
        cover.setColorAt(0.18, BandBlue.lighter(150));
        cover.setColorAt(0.3, BandBlue);
        cover.setColorAt(1, BandBlue.lighter(120));
        p.setPen(QPen(BandBlue.darker(160), 2.5));
        p.setBrush(cover);
        p.drawRoundedRect(QRectF(12, 4, 66, 84), 5, 5);
        p.setPen(QPen(QColor(255, 255, 255, 120), 2));
        p.drawLine(QPointF(22, 6), QPointF(22, 86));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xF2, 0xC2, 0x3A));
        p.drawRect(QRectF(34, 24, 34, 20));
        p.setBrush(BandBlue.darker(140));
        p.drawRect(QRectF(38, 30, 26, 3));
        p.drawRect(QRectF(38, 36, 18, 3));
        break;
    }
    case Symbol::Backup: {
        // A stack of data disks with a circling arrow.
        const QColor body(0x3A, 0x7C, 0x9C);
        for (int i = 2; i >= 0; --i) {
            const double top = 14 + i * 22;
            QLinearGradient g(QPointF(8, 0), QPointF(72, 0));
            g.setColorAt(0, body.darker(120));
            g.setColorAt(0.35, body.lighter(140));
            g.setColorAt(1, body.darker(110));
            p.setPen(QPen(body.darker(170), 2.5));
            p.setBrush(g);
            QPainterPath side;
            side.moveTo(8, top + 8);
            side.lineTo(8, top + 26);
            side.arcTo(QRectF(8, top + 18, 64, 16), 180, 180);
            side.lineTo(72, top + 8);
            side.closeSubpath();
            p.drawPath(side);
            p.setBrush(body.lighter(175));
            p.drawEllipse(QRectF(8, top, 64, 16));
        }
        DrawBadge(p, QPointF(74, 74), 24, QColor(0x2E, 0x8B, 0x57));
        p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(62, 62, 24, 24), 90 * 16, 270 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        QPolygonF head;
        head << QPointF(74, 54) << QPointF(84, 62) << QPointF(74, 70);
        p.drawPolygon(head);
        break;
    }
    case Symbol::Info: {
        DrawCoin(p, QRectF(2, 2, 62, 62));
        p.save();
        p.translate(30, 30);
        p.scale(0.7, 0.7);
        DrawSymbol(p, Symbol::Book, QRectF(0, 0, 100, 100));
        p.restore();
        break;
    }
    }
    p.restore();
}

// The application icon on a 128 × 128 canvas: the book with its coin on a rounded tile in
// the main window's blue.
void AppIcon(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient tile(QPointF(0, 8), QPointF(0, 120));
    tile.setColorAt(0, QColor(0x2A, 0x9C, 0xD6));
    tile.setColorAt(1, QColor(0x00, 0x5E, 0x92));
    p.setPen(QPen(QColor(0x00, 0x48, 0x70), 2));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(8, 8, 112, 112), 22, 22);
    DrawSymbol(p, Symbol::Book, QRectF(30, 22, 76, 76));
    DrawCoin(p, QRectF(14, 62, 50, 50));
}

struct BannerLook
{
    QColor Dark;  // headline and bottom edge
    QColor Left;  // background at the left end
    QColor Right; // background at the right end
};

const BannerLook IncomeLook{QColor(0x22, 0x5C, 0x35), QColor(0xB9, 0xDE, 0xC3), QColor(0xF6, 0xFB, 0xF7)};
const BannerLook ExpenseLook{QColor(0x80, 0x26, 0x26), QColor(0xEE, 0xC0, 0xBE), QColor(0xFD, 0xF6, 0xF5)};
const BannerLook RegularLook{QColor(0x5E, 0x4B, 0x0E), QColor(0xF6, 0xD3, 0x4C), QColor(0xFF, 0xF6, 0xC9)};
const BannerLook BookLook{QColor(0x24, 0x3A, 0x78), QColor(0xBE, 0xCB, 0xEC), QColor(0xF5, 0xF7, 0xFD)};
const BannerLook BackupLook{QColor(0x1F, 0x55, 0x6E), QColor(0xBA, 0xDA, 0xE6), QColor(0xF4, 0xFA, 0xFC)};

struct BannerText
{
    QString Headline;
    QString Line;
    int HeadlinePx = 14;
    int LinePx = 11;
};

QImage Banner(QSize size, const BannerLook &look, Symbol symbol, const BannerText &text)
{
    QImage image(size, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const double w = size.width();
    const double h = size.height();

    QLinearGradient back(QPointF(0, 0), QPointF(w, 0));
    back.setColorAt(0, look.Left);
    back.setColorAt(0.55, Mix(look.Left, look.Right, 0.8));
    back.setColorAt(1, look.Right);
    p.fillRect(image.rect(), back);

    // Soft sheen over the upper half and a faint, large copy of the symbol at the right end.
    QLinearGradient sheen(QPointF(0, 0), QPointF(0, h));
    sheen.setColorAt(0, QColor(255, 255, 255, 110));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    sheen.setColorAt(1, QColor(0, 0, 0, 18));
    p.fillRect(image.rect(), sheen);
    p.setOpacity(0.10);
    DrawSymbol(p, symbol, QRectF(w - h * 1.5, -h * 0.2, h * 1.6, h * 1.6));
    p.setOpacity(1);

    const double edge = std::max(2.0, h / 20);
    p.fillRect(QRectF(0, h - edge, w, edge), look.Dark);

    const double margin = h <= 40 ? 5 : h * 0.12;
    const double symbolSize = h - edge - 2 * margin;
    DrawSymbol(p, symbol, QRectF(margin + 1, margin, symbolSize, symbolSize));

    const double textLeft = 2 * margin + symbolSize + 6;
    const QFont headFont = SansFont(text.HeadlinePx, true);
    const QFont lineFont = SansFont(text.LinePx, false);
    const QFontMetricsF headMetrics(headFont);
    const QFontMetricsF lineMetrics(lineFont);
    const QRectF textArea(textLeft, 0, w - textLeft - 6, h - edge);
    const QRectF lineBounds = lineMetrics.boundingRect(textArea, Qt::TextWordWrap, text.Line);
    const double blockHeight = headMetrics.height() + 1 + lineBounds.height();
    const double top = std::round((h - edge - blockHeight) / 2);

    p.setFont(headFont);
    p.setPen(QColor(255, 255, 255, 170));
    p.drawText(QRectF(textLeft + 1, top + 1, textArea.width(), headMetrics.height()), Qt::AlignLeft, text.Headline);
    p.setPen(look.Dark);
    p.drawText(QRectF(textLeft, top, textArea.width(), headMetrics.height()), Qt::AlignLeft, text.Headline);
    p.setFont(lineFont);
    p.setPen(QColor(0x2A, 0x2A, 0x2A));
    p.drawText(QRectF(textLeft, top + headMetrics.height() + 1, textArea.width(), lineBounds.height()),
               Qt::AlignLeft | Qt::TextWordWrap, text.Line);
    return image;
}

QImage Small(int size, const std::function<void(QPainter &)> &draw)
{
    QImage canvas = ClearCanvas(size, size);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    draw(p);
    p.end();
    return Flatten(canvas);
}

void PlusSign(QPainter &p, const QRectF &r, double bar, const QColor &fill, const QColor &outline)
{
    const QPointF c = r.center();
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addRect(QRectF(r.left(), c.y() - bar / 2, r.width(), bar));
    path.addRect(QRectF(c.x() - bar / 2, r.top(), bar, r.height()));
    path = path.simplified();
    p.setPen(QPen(outline, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(fill);
    p.drawPath(path);
}

void MinusSign(QPainter &p, const QRectF &r, double bar, const QColor &fill, const QColor &outline)
{
    p.setPen(QPen(outline, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(fill);
    p.drawRect(QRectF(r.left(), r.center().y() - bar / 2, r.width(), bar));
}

struct KeyLook
{
    QColor Top;
    QColor Bottom;
    QColor Border;
    bool Pressed = false;
};

QImage CalcKey(const KeyLook &look)
{
    return Small(32, [&look](QPainter &p) {
        const QRectF outer(0.5, 0.5, 31, 31);
        QLinearGradient face(QPointF(0, 1), QPointF(0, 31));
        face.setColorAt(0, look.Top);
        face.setColorAt(look.Pressed ? 0.35 : 0.5, Mix(look.Top, look.Bottom, 0.45));
        face.setColorAt(1, look.Bottom);
        p.setPen(QPen(look.Border, 1));
        p.setBrush(face);
        p.drawRoundedRect(outer, 6, 6);
        p.setBrush(Qt::NoBrush);
        if (look.Pressed) {
            // Shadow inside the upper and left edge: the key sits lower.
            QPainterPath inside;
            inside.addRoundedRect(outer.adjusted(1, 1, -1, -1), 5, 5);
            p.setClipPath(inside);
            p.setPen(Qt::NoPen);
            QLinearGradient top(QPointF(0, 1), QPointF(0, 6));
            top.setColorAt(0, QColor(0, 0, 0, 70));
            top.setColorAt(1, QColor(0, 0, 0, 0));
            p.fillRect(QRectF(0, 0, 32, 6), top);
            QLinearGradient left(QPointF(1, 0), QPointF(5, 0));
            left.setColorAt(0, QColor(0, 0, 0, 45));
            left.setColorAt(1, QColor(0, 0, 0, 0));
            p.fillRect(QRectF(0, 0, 5, 32), left);
            p.setClipping(false);
        } else {
            p.setPen(QPen(QColor(255, 255, 255, 170), 1));
            p.drawRoundedRect(outer.adjusted(1, 1, -1, -1), 5, 5);
            p.setPen(QPen(QColor(0, 0, 0, 35), 1));
            p.drawLine(QPointF(6, 29.5), QPointF(26, 29.5));
        }
    });
}

QImage CalcDisplay()
{
    QImage canvas = ClearCanvas(184, 29);
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF outer(0.5, 0.5, 183, 28);
    QLinearGradient lcd(QPointF(0, 0), QPointF(0, 29));
    lcd.setColorAt(0, QColor(0xA9, 0xB8, 0x93));
    lcd.setColorAt(0.25, QColor(0xC6, 0xD3, 0xB0));
    lcd.setColorAt(1, QColor(0xD6, 0xE1, 0xC2));
    p.setPen(QPen(QColor(0x4B, 0x58, 0x3E), 1));
    p.setBrush(lcd);
    p.drawRoundedRect(outer, 5, 5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 50), 1));
    p.drawLine(QPointF(5, 2.5), QPointF(179, 2.5));
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.drawLine(QPointF(5, 26.5), QPointF(179, 26.5));
    p.end();
    return Flatten(canvas);
}

// The calculator's body behind its display and keys: dark, lit from above, with a recess
// for the display. The window cuts the corners round.
QImage CalcDesk()
{
    QImage image(200, 200, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient body(QPointF(0, 0), QPointF(0, 200));
    body.setColorAt(0, QColor(0x4A, 0x55, 0x68));
    body.setColorAt(0.22, QColor(0x3A, 0x44, 0x55));
    body.setColorAt(1, QColor(0x22, 0x28, 0x33));
    p.fillRect(image.rect(), body);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.drawRoundedRect(QRectF(1.5, 1.5, 197, 197), 9, 9);
    p.setPen(QPen(QColor(0, 0, 0, 110), 1));
    p.drawRoundedRect(QRectF(0.5, 0.5, 199, 199), 10, 10);
    // The recess around the display: shadow above, light below.
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.setBrush(QColor(0x1C, 0x21, 0x2A));
    p.drawRoundedRect(QRectF(5.5, 5.5, 189, 34), 6, 6);
    p.setPen(QPen(QColor(255, 255, 255, 45), 1));
    p.drawLine(QPointF(9, 40.5), QPointF(191, 40.5));
    // The function column stands apart from the number block.
    p.setPen(QPen(QColor(0, 0, 0, 70), 1));
    p.drawLine(QPointF(157.5, 46), QPointF(157.5, 186));
    p.setPen(QPen(QColor(255, 255, 255, 30), 1));
    p.drawLine(QPointF(158.5, 46), QPointF(158.5, 186));
    return image;
}

// The pictures on the calculator's function keys, 24 x 24, dark on the light key faces.
const QColor CalcInk(0x22, 0x2A, 0x38);
const QColor CalcOperatorInk(0x1F, 0x35, 0x78);
const QColor CalcRedInk(0x86, 0x1C, 0x1C);
const QColor CalcMemoryInk(0x5E, 0x4A, 0x08);

QImage CalcBars(const QColor &ink, const QList<QRect> &bars)
{
    return Small(24, [&ink, &bars](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        for (const QRect &bar : bars)
            p.fillRect(bar, ink);
    });
}

// Letters with a thin outline of their own ink, so they keep their weight when the picture
// is flattened.
QImage CalcLetters(const QString &text, int pixelSize, const QColor &ink)
{
    return Small(24, [&](QPainter &p) {
        const QFont font = SansFont(pixelSize, true);
        QPainterPath path;
        path.addText(0, 0, font, text);
        const QRectF box = path.boundingRect();
        path.translate(std::round(12 - box.center().x()), std::round(12 - box.center().y()));
        p.setPen(QPen(ink, 0.7));
        p.setBrush(ink);
        p.drawPath(path);
    });
}

void MakeCalculatorPictures(ArtworkWriter &out)
{
    out.Bitmap(u"CALC_DESK"_s, CalcDesk());
    out.Bitmap(u"CALCPIC_ADD"_s, CalcBars(CalcOperatorInk, {QRect(5, 10, 14, 4), QRect(10, 5, 4, 14)}));
    out.Bitmap(u"CALCPIC_SUB"_s, CalcBars(CalcOperatorInk, {QRect(5, 10, 14, 4)}));
    out.Bitmap(u"CALCPIC_EQUALS"_s, CalcBars(CalcInk, {QRect(5, 7, 14, 4), QRect(5, 13, 14, 4)}));
    out.Bitmap(u"CALCPIC_DIV"_s, Small(24, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(CalcOperatorInk);
        p.drawRect(QRectF(5, 10, 14, 4));
        p.drawEllipse(QRectF(9.5, 3.5, 5, 5));
        p.drawEllipse(QRectF(9.5, 15.5, 5, 5));
    }));
    out.Bitmap(u"CALCPIC_MUL"_s, Small(24, [](QPainter &p) {
        p.setPen(QPen(CalcOperatorInk, 3.6, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(6.5, 6.5), QPointF(17.5, 17.5));
        p.drawLine(QPointF(17.5, 6.5), QPointF(6.5, 17.5));
    }));
    out.Bitmap(u"CALCPIC_COMMA"_s, Small(24, [](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(CalcInk);
        p.drawEllipse(QRectF(9, 11, 6.5, 6.5));
        QPainterPath tail;
        tail.moveTo(15.3, 14.5);
        tail.cubicTo(15.6, 18, 13.5, 20.5, 10, 21.5);
        tail.lineTo(9.8, 20);
        tail.cubicTo(11.5, 19, 12.5, 17.5, 12.2, 15.5);
        tail.closeSubpath();
        p.drawPath(tail);
    }));
    out.Bitmap(u"CALCPIC_CLEAR"_s, CalcLetters(u"C"_s, 17, CalcRedInk));
    out.Bitmap(u"CALCPIC_MEMCOPY"_s, CalcLetters(u"MC"_s, 12, CalcMemoryInk));
    out.Bitmap(u"CALCPIC_MEMINSERT"_s, CalcLetters(u"MR"_s, 12, CalcMemoryInk));
    // "E" ends the calculator: the switch-off sign.
    out.Bitmap(u"CALCPIC_CLOSE"_s, Small(24, [](QPainter &p) {
        p.setPen(QPen(CalcRedInk, 2.6, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(5, 6, 14, 14), 125 * 16, 290 * 16);
        p.drawLine(QPointF(12, 3.5), QPointF(12, 12));
    }));
}

// Fades from the dark colour to white; the dark part stays wide enough for the white heading
// that is written over it.
QImage NavigatorStrip(const QColor &dark, bool incomeArrow)
{
    QImage canvas(280, 18, QImage::Format_ARGB32_Premultiplied);
    for (int x = 0; x < canvas.width(); ++x) {
        const double t = std::pow(double(x) / (canvas.width() - 1), 1.7);
        const QColor c = Mix(dark, Qt::white, t);
        for (int y = 0; y < canvas.height(); ++y)
            canvas.setPixelColor(x, y, c);
    }
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor arrow = incomeArrow ? QColor(0x6B, 0xE0, 0x7E) : QColor(0xFF, 0x7A, 0x7A);
    DrawArrow(p, incomeArrow ? QPointF(9, 15.5) : QPointF(9, 2.5), 13, incomeArrow, arrow, Qt::white, 1.2);
    p.end();
    // The right end is exactly white, as the overview behind it.
    for (int y = 0; y < canvas.height(); ++y)
        canvas.setPixel(canvas.width() - 1, y, 0xFFFFFFFF);
    return canvas.convertToFormat(QImage::Format_RGB888);
}

void PutLe(QByteArray &bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}

// A soft two-tone chime, a falling fourth: each tone starts gently and dies away, and the
// end is faded to silence so that nothing clicks.
QByteArray ChimeWave()
{
    constexpr int Rate = 22050;
    constexpr double Seconds = 0.25;
    const int count = int(Rate * Seconds);
    const double pi = std::numbers::pi;
    struct Tone
    {
        double Hz;
        double Start;
        double Gain;
    };
    const Tone tones[] = {{1174.66, 0.0, 0.30}, {880.0, 0.085, 0.34}};
    std::vector<std::int16_t> samples(std::size_t(count), 0);
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / Rate;
        double v = 0;
        for (const Tone &tone : tones) {
            const double local = t - tone.Start;
            if (local < 0)
                continue;
            const double attack = std::min(1.0, local / 0.006);
            const double envelope = attack * std::exp(-local / 0.075);
            v += tone.Gain * envelope *
                 (std::sin(2 * pi * tone.Hz * local) + 0.18 * std::sin(4 * pi * tone.Hz * local));
        }
        const double fadeStart = Seconds - 0.03;
        if (t > fadeStart)
            v *= std::max(0.0, (Seconds - t - 1.0 / Rate) / (Seconds - fadeStart));
        samples[std::size_t(i)] = std::int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
    }

    const std::uint32_t dataSize = std::uint32_t(count * 2);
    QByteArray wav;
    wav.append("RIFF");
    PutLe(wav, 36 + dataSize, 4);
    wav.append("WAVE");
    wav.append("fmt ");
    PutLe(wav, 16, 4);
    PutLe(wav, 1, 2);        // PCM
    PutLe(wav, 1, 2);        // mono
    PutLe(wav, Rate, 4);
    PutLe(wav, Rate * 2, 4); // bytes per second
    PutLe(wav, 2, 2);        // block align
    PutLe(wav, 16, 2);       // bits per sample
    wav.append("data");
    PutLe(wav, dataSize, 4);
    for (std::int16_t s : samples)
        PutLe(wav, std::uint16_t(s), 2);
    return wav;
}

void MakeAll(ArtworkWriter &out)
{
    const QString newLine = u"Neue Buchung..."_s;
    const QString editLine = u"Buchung bearbeiten..."_s;
    const QSize dialog(274, 40);
    out.Jpeg(u"BANINC_NEW"_s, Banner(dialog, IncomeLook, Symbol::Income, {u"Einnahmen"_s, newLine}));
    out.Jpeg(u"BANINC_EDIT"_s, Banner(dialog, IncomeLook, Symbol::Income, {u"Einnahmen"_s, editLine}));
    out.Jpeg(u"BANEXP_NEW"_s, Banner(dialog, ExpenseLook, Symbol::Expense, {u"Ausgaben"_s, newLine}));
    out.Jpeg(u"BANEXP_EDIT"_s, Banner(dialog, ExpenseLook, Symbol::Expense, {u"Ausgaben"_s, editLine}));
    out.Jpeg(u"BANREG_NEW"_s,
             Banner(dialog, RegularLook, Symbol::Regular, {u"Regelmäßige Buchungen"_s, newLine}));
    out.Jpeg(u"BANREG_EDIT"_s,
             Banner(dialog, RegularLook, Symbol::Regular, {u"Regelmäßige Buchungen"_s, editLine}));
    out.Jpeg(u"BANBOOK_NEW"_s,
             Banner(QSize(274, 60), BookLook, Symbol::Book,
                    {u"Haushaltsbuch erstellen"_s, u"Bestimmen Sie hier den Monat und das Jahr des Haushaltsbuches."_s, 15, 11}));
    out.Jpeg(u"BAN_BACKUP"_s, Banner(QSize(394, 40), BackupLook, Symbol::Backup,
                                     {u"Datensicherung"_s, u"Daten sichern und wiederherstellen"_s}));
    out.Jpeg(u"BAN_INFO"_s,
             Banner(QSize(399, 80), BookLook, Symbol::Info,
                    {u"Orvo Haushaltsbuch"_s, u"Einnahmen und Ausgaben im Blick – Monat für Monat."_s, 22, 12}));

    out.Bitmap(u"CALCULATE_BLUE"_s, Band(250, 18, BandBlue, QColor(0xB5, 0xBD, 0xD4)));
    out.Bitmap(u"CALCULATE_YELLOW"_s, Band(250, 18, BandYellow, QColor(0xCE, 0xC7, 0xAF)));
    out.Bitmap(u"CALCULATE_GREEN"_s, Band(250, 18, BandGreen, QColor(0xB3, 0xCA, 0xBB)));
    out.Bitmap(u"CALCULATE_RED"_s, Band(250, 18, BandRed, QColor(0xD8, 0xBB, 0xBB)));

    out.Bitmap(u"NAVIGATOR_INC"_s, NavigatorStrip(QColor(0x1E, 0x5A, 0x30), true));
    out.Bitmap(u"NAVIGATOR_OUT"_s, NavigatorStrip(QColor(0x7A, 0x1E, 0x1E), false));

    out.Bitmap(u"BITMAP_POINT"_s, Small(10, [](QPainter &p) {
        QPolygonF tri;
        tri << QPointF(2, 1) << QPointF(9, 5) << QPointF(2, 9);
        // Orange with a dark edge stands out on the light rows and on the blue selected row.
        p.setPen(QPen(QColor(0x8A, 0x3A, 0x00), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(0xFD, 0xA7, 0x26));
        p.drawPolygon(tri);
    }));
    out.Bitmap(u"LISTBMP_INC"_s, Small(10, [](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        PlusSign(p, QRectF(0, 0, 9, 9), 3, QColor(0x3C, 0xB0, 0x50), BandGreen);
    }));
    out.Bitmap(u"LISTBMP_OUT"_s, Small(10, [](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        MinusSign(p, QRectF(0, 0, 9, 9), 3, QColor(0xE0, 0x48, 0x48), BandRed);
    }));

    out.Bitmap(u"CALCBTN_NORM"_s, CalcKey({QColor(0xFB, 0xFB, 0xFB), QColor(0xC9, 0xC9, 0xC9), QColor(0x7A, 0x7A, 0x7A)}));
    out.Bitmap(u"CALCBTN_RED"_s, CalcKey({QColor(0xFC, 0xE6, 0xE6), QColor(0xDE, 0x9C, 0x9C), QColor(0x96, 0x44, 0x44)}));
    out.Bitmap(u"CALCBTN_BLUE"_s, CalcKey({QColor(0xE8, 0xEE, 0xFA), QColor(0xA3, 0xB5, 0xDF), QColor(0x44, 0x5C, 0x9A)}));
    out.Bitmap(u"CALCBTN_YELLOW"_s, CalcKey({QColor(0xFF, 0xF7, 0xD6), QColor(0xE9, 0xD2, 0x76), QColor(0x98, 0x80, 0x26)}));
    out.Bitmap(u"CALCBTN_MOVE"_s, CalcKey({QColor(0xFF, 0xF8, 0xEC), QColor(0xFF, 0xC1, 0x5C), QColor(0xD0, 0x70, 0x00)}));
    out.Bitmap(u"CALCBTN_DOWN"_s,
               CalcKey({QColor(0xF0, 0x9A, 0x2A), QColor(0xFD, 0xC8, 0x70), QColor(0x9A, 0x5C, 0x08), true}));
    out.Bitmap(u"CALC_DISPLAY"_s, CalcDisplay());
    MakeCalculatorPictures(out);

    out.Bitmap(u"BTNPIC_HELP"_s, Small(16, [](QPainter &p) {
        QRadialGradient g(QPointF(6, 5), 11);
        g.setColorAt(0, QColor(0x7C, 0xA4, 0xF0));
        g.setColorAt(1, QColor(0x24, 0x4E, 0xAE));
        p.setPen(QPen(QColor(0x1A, 0x3A, 0x86), 1));
        p.setBrush(g);
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        p.setFont(SansFont(12, true));
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, 16, 16).translated(0.5, 0.5), Qt::AlignCenter, u"?"_s);
    }));
    out.Bitmap(u"BTNPIC_NAVIGATOR"_s, Small(16, [](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        // A root entry with two entries hanging from it.
        p.setPen(QColor(0x70, 0x70, 0x70));
        p.drawLine(2, 5, 2, 12);
        p.drawLine(3, 7, 4, 7);
        p.drawLine(3, 12, 4, 12);
        const struct {
            int X, Y;
            QColor Colour;
        } rows[] = {{1, 1, BandGreen}, {5, 6, BandRed}, {5, 11, BandRed}};
        for (const auto &row : rows) {
            p.setPen(row.Colour.darker(120));
            p.setBrush(row.Colour.lighter(160));
            p.drawRect(row.X, row.Y, 3, 3);
            p.setPen(QColor(0x30, 0x30, 0x30));
            p.drawLine(row.X + 6, row.Y + 1, 15, row.Y + 1);
            p.drawLine(row.X + 6, row.Y + 2, 15, row.Y + 2);
        }
    }));
    out.Bitmap(u"BTNPIC_DAYPICKER"_s, Small(16, [](QPainter &p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QColor(0x50, 0x50, 0x50));
        p.setBrush(Qt::white);
        p.drawRect(1, 2, 13, 12);
        p.fillRect(2, 3, 12, 3, QColor(0xC8, 0x30, 0x30));
        p.setPen(QColor(0x40, 0x40, 0x40));
        p.drawLine(4, 1, 4, 3);
        p.drawLine(11, 1, 11, 3);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 4; ++col)
                p.fillRect(3 + 3 * col, 7 + 2 * row, 2, 1,
                           row == 1 && col == 2 ? QColor(0xC8, 0x30, 0x30) : QColor(0x70, 0x70, 0x70));
    }));
    out.Bitmap(u"BTNPIC_FOLDER"_s, Small(16, [](QPainter &p) {
        const QColor edge(0xA0, 0x78, 0x10);
        p.setPen(QPen(edge, 1));
        p.setBrush(QColor(0xE8, 0xB8, 0x40));
        QPainterPath back;
        back.moveTo(1.5, 13.5);
        back.lineTo(1.5, 3.5);
        back.lineTo(6, 3.5);
        back.lineTo(7.5, 5);
        back.lineTo(13.5, 5);
        back.lineTo(13.5, 13.5);
        back.closeSubpath();
        p.drawPath(back);
        QLinearGradient front(QPointF(0, 7), QPointF(0, 14));
        front.setColorAt(0, QColor(0xFF, 0xE4, 0x8A));
        front.setColorAt(1, QColor(0xF2, 0xC4, 0x48));
        p.setBrush(front);
        QPolygonF flap;
        flap << QPointF(1.5, 13.5) << QPointF(3.5, 7.5) << QPointF(15, 7.5) << QPointF(13.5, 13.5);
        p.drawPolygon(flap);
    }));
    // Money in comes down into the pocket, money out goes up: as in the overview strips.
    out.Bitmap(u"BTNPIC_RADIO_INC"_s, Small(16, [](QPainter &p) {
        DrawArrow(p, QPointF(8, 15), 14, true, QColor(0x3C, 0xB0, 0x50), BandGreen, 1);
    }));
    out.Bitmap(u"BTNPIC_RADIO_OUT"_s, Small(16, [](QPainter &p) {
        DrawArrow(p, QPointF(8, 1), 14, false, QColor(0xE0, 0x48, 0x48), BandRed, 1);
    }));

    // A printed analysis page: a sheet with a turned corner, a heading band and lines.
    out.Bitmap(u"BTNPIC_PAGE"_s, Small(16, [](QPainter &p) {
        QPainterPath sheet;
        sheet.moveTo(2.5, 0.5);
        sheet.lineTo(10, 0.5);
        sheet.lineTo(13.5, 4);
        sheet.lineTo(13.5, 15.5);
        sheet.lineTo(2.5, 15.5);
        sheet.closeSubpath();
        p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
        p.setBrush(Qt::white);
        p.drawPath(sheet);
        QPolygonF corner;
        corner << QPointF(10, 0.5) << QPointF(10, 4) << QPointF(13.5, 4);
        p.setBrush(QColor(0xD0, 0xD0, 0xD0));
        p.drawPolygon(corner);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(4, 5, 7, 2, BandBlue);
        for (int y : {9, 11, 13})
            p.fillRect(4, y, 8, 1, QColor(0x80, 0x80, 0x80));
    }));

    out.Wave(u"WAVE_01"_s, ChimeWave());

    out.Icon(u"de.orvo.Haushaltsbuch"_s, AppIcon, 128, {48, 256});
}

} // namespace

int main(int argc, char *argv[])
{
    // Fonts need a GUI application, but never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        QTextStream(stderr) << "usage: qel-make-artwork OUTDIR\n";
        return 2;
    }
    // Another face would change every banner; refuse rather than commit a different look.
    const QFontInfo face(SansFont(12, false));
    if (face.family() != u"Liberation Sans"_s) {
        QTextStream(stderr) << "qel-make-artwork: font \"Liberation Sans\" is missing (fonts-liberation)\n";
        return 1;
    }
    ArtworkWriter out(args.at(1));
    MakeAll(out);
    return out.Ok() ? 0 : 1;
}
