// Draws the program's images once; the output is committed under resources/.
// Run through make-artwork.sh.

#include "resources/tools/GifWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgGenerator>
#include <QtMath>

#include <cstdio>

namespace {

const QColor blue(0x00, 0x8c, 0xee);
const QColor lightBlue(0x1e, 0xb6, 0xf6);
const QColor darkText(0x32, 0x32, 0x32);
const QColor grey(0x8e, 0x8e, 0x8e);
const QColor iconGrey(0x8a, 0x8f, 0x99);
const QColor paleGrey(0x99, 0x99, 0x99);

QString g_outDir;

QImage canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void begin(QPainter &p, QImage &image)
{
    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
}

QPen pen(const QColor &colour, qreal width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void save(const QImage &image, const QString &path)
{
    const QString file = g_outDir + QLatin1Char('/') + path;
    QDir().mkpath(QFileInfo(file).absolutePath());
    if (!image.convertToFormat(QImage::Format_ARGB32).save(file, "PNG"))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
}

QString qietu(const char *name)
{
    return QStringLiteral("image3/a2/qietu/") + QLatin1String(name);
}

// --- Window buttons -------------------------------------------------------------------------

QImage crossIcon(int size, qreal inset, qreal width, const QColor &colour)
{
    QImage image = canvas(size, size);
    QPainter p;
    begin(p, image);
    p.setPen(pen(colour, width));
    p.drawLine(QPointF(inset, inset), QPointF(size - inset, size - inset));
    p.drawLine(QPointF(size - inset, inset), QPointF(inset, size - inset));
    return image;
}

void windowButtons()
{
    save(crossIcon(12, 1.5, 1.5, paleGrey), qietu("guanbib.png"));
    save(crossIcon(20, 5, 1.6, grey), qietu("guanbi.png"));

    QImage minimise = canvas(20, 20);
    QPainter p;
    begin(p, minimise);
    p.setPen(pen(grey, 1.6));
    p.drawLine(QPointF(5, 10.5), QPointF(15, 10.5));
    p.end();
    save(minimise, qietu("zuixiaohua.png"));

    QImage maximise = canvas(20, 20);
    begin(p, maximise);
    p.setPen(pen(grey, 1.4));
    p.drawRect(QRectF(5, 5, 10, 10));
    p.end();
    save(maximise, qietu("zuidahua.png"));

    QImage restore = canvas(20, 20);
    begin(p, restore);
    p.setPen(pen(grey, 1.4));
    p.drawRect(QRectF(5, 8, 8, 7));
    p.drawPolyline(QPolygonF(
        {QPointF(8, 8), QPointF(8, 5), QPointF(15, 5), QPointF(15, 12), QPointF(13, 12)}));
    p.end();
    save(restore, qietu("huanyuan.png"));
}

// --- Sign-in window --------------------------------------------------------------------------

void signInBackground()
{
    QImage image(900, 600, QImage::Format_ARGB32_Premultiplied);
    QPainter p;
    begin(p, image);
    QLinearGradient sky(0, 0, 900, 600);
    sky.setColorAt(0, QColor(0xe8, 0xf3, 0xfd));
    sky.setColorAt(1, QColor(0xf7, 0xfa, 0xfe));
    p.fillRect(image.rect(), sky);

    // Soft rings in the corners.
    p.setPen(Qt::NoPen);
    const struct
    {
        QPointF centre;
        qreal radius;
        int alpha;
    } rings[] = {
        {{60, 560}, 220, 40}, {{120, 600}, 130, 36}, {{860, 60}, 180, 30}, {{820, 560}, 90, 26}};
    for (const auto &ring : rings) {
        QRadialGradient glow(ring.centre, ring.radius);
        QColor inner = lightBlue;
        inner.setAlpha(ring.alpha);
        QColor outer = lightBlue;
        outer.setAlpha(0);
        glow.setColorAt(0, inner);
        glow.setColorAt(1, outer);
        p.setBrush(glow);
        p.drawEllipse(ring.centre, ring.radius, ring.radius);
    }

    // White top strip under the window buttons.
    p.fillRect(QRect(0, 0, 900, 41), Qt::white);
    p.fillRect(QRect(0, 41, 900, 1), QColor(0xdf, 0xdf, 0xdf));

    // The card behind the logo and the sign-in tabs, with a faint shadow.
    const QRectF card(255, 72, 390, 438);
    for (int i = 6; i > 0; --i) {
        p.setBrush(QColor(0, 0x40, 0x80, 5));
        p.drawRoundedRect(card.adjusted(-i, -i + 2, i, i + 2), 8 + i, 8 + i);
    }
    p.setBrush(Qt::white);
    p.drawRoundedRect(card, 8, 8);
    p.end();
    save(image, qietu("denglu.png"));
}

void checkBoxes()
{
    QImage off = canvas(16, 16);
    QPainter p;
    begin(p, off);
    p.setPen(pen(QColor(0xc4, 0xc9, 0xd0), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2.5, 2.5);
    p.end();
    save(off, qietu("900600_10.png"));

    QImage on = canvas(16, 16);
    begin(p, on);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(0, 0, 16, 16), 3, 3);
    p.setPen(pen(Qt::white, 1.8));
    p.drawPolyline(QPolygonF({QPointF(4, 8.2), QPointF(7, 11), QPointF(12.2, 5.2)}));
    p.end();
    save(on, qietu("900600_06.png"));
}

void drawMark(QPainter &p, const QRectF &box)
{
    // Rounded blue square holding three linked nodes: names resolved along a path.
    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0, lightBlue);
    fill.setColorAt(1, blue);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    const qreal r = box.width() * 0.22;
    p.drawRoundedRect(box, r, r);

    const qreal s = box.width();
    const QPointF a = box.topLeft() + QPointF(s * 0.30, s * 0.30);
    const QPointF b = box.topLeft() + QPointF(s * 0.70, s * 0.42);
    const QPointF c = box.topLeft() + QPointF(s * 0.38, s * 0.72);
    p.setPen(pen(Qt::white, qMax(1.0, s * 0.07)));
    p.drawLine(a, b);
    p.drawLine(b, c);
    p.drawLine(c, a);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (const QPointF &node : {a, b, c})
        p.drawEllipse(node, s * 0.11, s * 0.11);
}

void logo()
{
    QImage image = canvas(146, 27);
    QPainter p;
    begin(p, image);
    drawMark(p, QRectF(1, 1, 25, 25));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(20);
    font.setBold(true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    p.setFont(font);
    p.setPen(darkText);
    p.drawText(QRectF(33, 0, 113, 27), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("halvik"));
    p.end();
    save(image, qietu("logo.png"));
}

void fieldIcons()
{
    const QColor colour(0xb0, 0xb6, 0xbf);
    QImage user = canvas(14, 22);
    QPainter p;
    begin(p, user);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(QPointF(7, 7.5), 3.2, 3.2);
    QPainterPath body;
    body.moveTo(1, 18);
    body.cubicTo(1, 12.5, 13, 12.5, 13, 18);
    body.closeSubpath();
    p.drawPath(body);
    p.end();
    save(user, qietu("zhanghao.png"));

    QImage lock = canvas(14, 22);
    begin(p, lock);
    p.setPen(pen(colour, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(3.5, 4, 7, 8), 0, 180 * 16);
    p.drawLine(QPointF(3.5, 8), QPointF(3.5, 10));
    p.drawLine(QPointF(10.5, 8), QPointF(10.5, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(1.5, 10, 11, 8.5), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(7, 14), 1.3, 1.3);
    p.end();
    save(lock, qietu("mima.png"));
}

// --- Table row buttons -------------------------------------------------------------------

void padlock(const QString &path, const QColor &colour, bool open)
{
    QImage image = canvas(16, 16);
    QPainter p;
    begin(p, image);
    p.setPen(pen(colour, 1.6));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(5, 7.5);
    shackle.lineTo(5, 5);
    shackle.arcTo(QRectF(5, 1.5, 6, 7), 180, -180);
    shackle.lineTo(11, open ? 4.5 : 7.5);
    if (open)
        shackle.translate(0, -1);
    p.drawPath(shackle);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRoundedRect(QRectF(2.5, 7, 11, 8), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(7.2, 9.5, 1.6, 3));
    p.end();
    save(image, path);
}

void rowButtons()
{
    padlock(qietu("jiesuo.png"), iconGrey, true);
    padlock(qietu("suoding.png"), QColor(0xf0, 0x9a, 0x1a), false);

    // Running: a green disc with a play sign; paused: a grey disc with a pause sign.
    QImage running = canvas(16, 16);
    QPainter p;
    begin(p, running);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2e, 0xb8, 0x6b));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({QPointF(6.3, 4.5), QPointF(11.5, 8), QPointF(6.3, 11.5)}));
    p.end();
    save(running, qietu("qiyong.png"));

    QImage paused = canvas(16, 16);
    begin(p, paused);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xb4, 0xb9, 0xc1));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.2, 4.8, 2, 6.4));
    p.drawRect(QRectF(8.8, 4.8, 2, 6.4));
    p.end();
    save(paused, qietu("zanting.png"));

    QImage bin = canvas(16, 16);
    begin(p, bin);
    const QColor red(0xe5, 0x4d, 0x42);
    p.setPen(pen(red, 1.5));
    p.drawLine(QPointF(2, 4), QPointF(14, 4));
    p.drawLine(QPointF(6, 4), QPointF(6.5, 2));
    p.drawLine(QPointF(6.5, 2), QPointF(9.5, 2));
    p.drawLine(QPointF(9.5, 2), QPointF(10, 4));
    p.drawPolyline(
        QPolygonF({QPointF(3.5, 4), QPointF(4.5, 14.5), QPointF(11.5, 14.5), QPointF(12.5, 4)}));
    p.setPen(pen(red, 1.2));
    p.drawLine(QPointF(6.5, 7), QPointF(6.7, 12));
    p.drawLine(QPointF(9.5, 7), QPointF(9.3, 12));
    p.end();
    save(bin, qietu("shanchu.png"));

    // Sub-menu arrow of the line chooser.
    QImage arrow = canvas(8, 12);
    begin(p, arrow);
    p.setPen(pen(paleGrey, 1.5));
    p.drawPolyline(QPolygonF({QPointF(2, 2), QPointF(6, 6), QPointF(2, 10)}));
    p.end();
    save(arrow, qietu("900600_03_06.png"));
}

// --- Drop-down arrow ------------------------------------------------------------------------

// The arrow of every combo box, at 1x and 2x scale (Qt picks "@2x" on high-density screens).
void comboArrow()
{
    for (int scale : {1, 2}) {
        QImage arrow = canvas(10 * scale, 6 * scale);
        QPainter p;
        begin(p, arrow);
        p.scale(scale, scale);
        p.setPen(pen(grey, 1.4));
        p.drawPolyline(QPolygonF({QPointF(1.5, 1.2), QPointF(5, 4.6), QPointF(8.5, 1.2)}));
        p.end();
        save(arrow, qietu(scale == 1 ? "xiala.png" : "xiala@2x.png"));
    }
}

// --- Navigation column ------------------------------------------------------------------

using NavPainter = void (*)(QPainter &, const QColor &);

void navDomain(QPainter &p, const QColor &c)
{
    p.setPen(pen(c, 1.5));
    p.drawEllipse(QPointF(9, 9), 7.2, 7.2);
    p.drawEllipse(QPointF(9, 9), 3, 7.2);
    p.drawLine(QPointF(2, 9), QPointF(16, 9));
}

void navBatch(QPainter &p, const QColor &c)
{
    p.setPen(pen(c, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(QPolygonF({QPointF(9, 2), QPointF(16, 6), QPointF(9, 10), QPointF(2, 6)}));
    p.drawPolyline(QPolygonF({QPointF(2, 9.5), QPointF(9, 13.5), QPointF(16, 9.5)}));
    p.drawPolyline(QPolygonF({QPointF(2, 12.5), QPointF(9, 16.5), QPointF(16, 12.5)}));
}

void navMessages(QPainter &p, const QColor &c)
{
    p.setPen(pen(c, 1.5));
    p.drawRoundedRect(QRectF(2, 4, 14, 11), 1.5, 1.5);
    p.drawPolyline(QPolygonF({QPointF(2.5, 5), QPointF(9, 10), QPointF(15.5, 5)}));
}

void navSettings(QPainter &p, const QColor &c)
{
    QPainterPath gear;
    const QPointF centre(9, 9);
    for (int i = 0; i < 8; ++i) {
        const qreal angle = qDegreesToRadians(i * 45.0);
        const QPointF dir(qCos(angle), qSin(angle));
        gear.moveTo(centre + dir * 5.0);
        gear.lineTo(centre + dir * 7.6);
    }
    p.setPen(pen(c, 2.4));
    p.drawPath(gear);
    p.setPen(pen(c, 1.5));
    p.drawEllipse(centre, 5, 5);
    p.drawEllipse(centre, 2, 2);
}

void navAbout(QPainter &p, const QColor &c)
{
    p.setPen(pen(c, 1.5));
    p.drawEllipse(QPointF(9, 9), 7.2, 7.2);
    p.drawLine(QPointF(9, 8), QPointF(9, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(9, 5.3), 1, 1);
}

void navHistory(QPainter &p, const QColor &c)
{
    // A clock face whose rim turns back into an arrow: what was done, and going back on it.
    p.setPen(pen(c, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2, 2, 14, 14), 120 * 16, 300 * 16);
    p.drawLine(QPointF(9, 5.5), QPointF(9, 9));
    p.drawLine(QPointF(9, 9), QPointF(11.8, 10.8));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({QPointF(1.2, 2.6), QPointF(6.6, 3.2), QPointF(3.2, 7.4)}));
}

void navSearch(QPainter &p, const QColor &c)
{
    p.setPen(pen(c, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(7.5, 7.5), 5.2, 5.2);
    p.setPen(pen(c, 2.2));
    p.drawLine(QPointF(11.4, 11.4), QPointF(16, 16));
}

void navigation()
{
    const struct
    {
        const char *name;
        NavPainter draw;
    } icons[] = {{"yuming", navDomain}, {"piliang", navBatch},   {"lishi", navHistory},
                 {"sousuo", navSearch}, {"xiaoxi", navMessages}, {"shezhi", navSettings},
                 {"guanyu", navAbout}};
    for (const auto &icon : icons) {
        for (bool highlighted : {false, true}) {
            QImage image = canvas(18, 18);
            QPainter p;
            begin(p, image);
            icon.draw(p, highlighted ? lightBlue : iconGrey);
            p.end();
            save(image, qietu(icon.name) +
                            (highlighted ? QStringLiteral("_h.png") : QStringLiteral(".png")));
        }
    }

    // The account button at the top of the column.
    QImage avatar = canvas(40, 40);
    QPainter p;
    begin(p, avatar);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe1, 0xef, 0xfa));
    p.drawEllipse(QRectF(0, 0, 40, 40));
    p.setClipPath([] {
        QPainterPath circle;
        circle.addEllipse(QRectF(0, 0, 40, 40));
        return circle;
    }());
    p.setBrush(lightBlue);
    p.drawEllipse(QPointF(20, 16), 7, 7);
    p.drawEllipse(QPointF(20, 40), 14, 12);
    p.end();
    save(avatar, qietu("touxiang.png"));
}

// --- Application icon ------------------------------------------------------------------

QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_ARGB32).save(&buffer, "PNG");
    return bytes;
}

void putLe(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xff));
}

// An icon file of PNG-compressed entries, one per size.
void applicationIcon()
{
    const QList<int> sizes{16, 32, 48};
    QList<QByteArray> pngs;
    for (int size : sizes) {
        QImage image = canvas(size, size);
        QPainter p;
        begin(p, image);
        drawMark(p, QRectF(0.5, 0.5, size - 1, size - 1));
        p.end();
        pngs.append(pngBytes(image));
    }
    QByteArray ico;
    putLe(ico, 0, 2);
    putLe(ico, 1, 2);
    putLe(ico, quint32(sizes.size()), 2);
    quint32 offset = quint32(6 + 16 * sizes.size());
    for (int i = 0; i < sizes.size(); ++i) {
        ico.append(char(sizes[i]));
        ico.append(char(sizes[i]));
        ico.append(char(0)); // no palette
        ico.append(char(0));
        putLe(ico, 1, 2);  // planes
        putLe(ico, 32, 2); // bits per pixel
        putLe(ico, quint32(pngs[i].size()), 4);
        putLe(ico, offset, 4);
        offset += quint32(pngs[i].size());
    }
    for (const QByteArray &png : pngs)
        ico.append(png);
    QFile file(g_outDir + QStringLiteral("/image/100.ico"));
    if (!file.open(QIODevice::WriteOnly) || file.write(ico) != ico.size())
        std::fprintf(stderr, "cannot write 100.ico\n");
}

// The desktop's icon of the program, for the hicolor theme: scalable and 256 pixels.
void desktopIcon()
{
    const QString base = g_outDir + QStringLiteral("/desktop/net.halvik.Halvik");
    QDir().mkpath(QFileInfo(base).absolutePath());
    QSvgGenerator svg;
    svg.setFileName(base + QStringLiteral(".svg"));
    svg.setSize(QSize(256, 256));
    svg.setViewBox(QRect(0, 0, 256, 256));
    svg.setTitle(QStringLiteral("halvik"));
    QPainter p;
    p.begin(&svg);
    p.setRenderHint(QPainter::Antialiasing);
    drawMark(p, QRectF(8, 8, 240, 240));
    p.end();

    QImage image = canvas(256, 256);
    begin(p, image);
    drawMark(p, QRectF(8, 8, 240, 240));
    p.end();
    save(image, QStringLiteral("desktop/net.halvik.Halvik-256.png"));
}

// --- Loading animation -----------------------------------------------------------------

void loadingAnimation()
{
    // Twelve dots fading round a circle, pre-blended with white for light overlays.
    constexpr int size = 40;
    constexpr int dots = 12;
    constexpr int levels = 15;
    QList<QColor> palette{QColor(255, 255, 255)};
    for (int level = 1; level <= levels; ++level) {
        const qreal t = qreal(level) / levels;
        palette.append(QColor(qRound(255 + (blue.red() - 255) * t),
                              qRound(255 + (blue.green() - 255) * t),
                              qRound(255 + (blue.blue() - 255) * t)));
    }
    GifWriter gif(size, size, palette);
    for (int frame = 0; frame < dots; ++frame) {
        QImage image = canvas(size, size);
        QPainter p;
        begin(p, image);
        p.setPen(Qt::NoPen);
        for (int dot = 0; dot < dots; ++dot) {
            const int age = (frame - dot + dots) % dots;
            QColor colour = Qt::black;
            colour.setAlphaF(1.0 - 0.8 * age / (dots - 1));
            p.setBrush(colour);
            const qreal angle = qDegreesToRadians(dot * 360.0 / dots - 90);
            p.drawEllipse(QPointF(20 + 14 * qCos(angle), 20 + 14 * qSin(angle)), 3, 3);
        }
        p.end();

        QByteArray indices(size * size, 0);
        for (int y = 0; y < size; ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < size; ++x)
                indices[y * size + x] = char(qRound(qAlpha(line[x]) * levels / 255.0));
        }
        gif.addFrame(indices, 8);
    }
    QFile file(g_outDir + QStringLiteral("/image/712.GIF"));
    const QByteArray data = gif.finish();
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        std::fprintf(stderr, "cannot write 712.GIF\n");
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: genart RESOURCE_DIR\n");
        return 64;
    }
    g_outDir = QString::fromLocal8Bit(argv[1]);
    windowButtons();
    signInBackground();
    checkBoxes();
    logo();
    fieldIcons();
    rowButtons();
    comboArrow();
    navigation();
    applicationIcon();
    desktopIcon();
    loadingAnimation();
    return 0;
}
