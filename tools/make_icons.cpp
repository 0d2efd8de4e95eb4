// Draws the program's icon, a worksheet with the four signs of arithmetic and a pencil over it,
// and writes it as 64, 48, 32 and 16 pixel PNG files (32-bit RGBA):
//
//   make_icons <directory>   writes <directory>/<size>/vantrel-pelmora.png
//
// The art is drawn on a 64 x 64 grid and scaled; the two smallest sizes leave out the fine
// details so that they stay legible.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

void DrawSheet(QPainter& p, bool detailed) {
    // Paper with a folded top-right corner and a soft shadow.
    QPainterPath sheet;
    sheet.moveTo(8, 4);
    sheet.lineTo(42, 4);
    sheet.lineTo(54, 16);
    sheet.lineTo(54, 60);
    sheet.lineTo(8, 60);
    sheet.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 60));
    p.drawPath(sheet.translated(2, 2));
    p.setBrush(QColor(0xfd, 0xfb, 0xf4));
    p.setPen(QPen(QColor(0x5a, 0x6b, 0x86), detailed ? 1.5 : 2.5));
    p.drawPath(sheet);

    QPainterPath fold;
    fold.moveTo(42, 4);
    fold.lineTo(42, 16);
    fold.lineTo(54, 16);
    fold.closeSubpath();
    p.setBrush(QColor(0xd9, 0xe1, 0xee));
    p.drawPath(fold);

    if (detailed) {
        // Ruled lines of the sheet.
        p.setPen(QPen(QColor(0xb8, 0xcb, 0xe4), 1));
        for (int y = 22; y <= 54; y += 8) p.drawLine(12, y, 50, y);
    }
}

void DrawSigns(QPainter& p, bool detailed) {
    const qreal w = detailed ? 3.2 : 4.5;
    auto pen = [&](QColor c) {
        QPen pen(c, w);
        pen.setCapStyle(Qt::RoundCap);
        return pen;
    };
    const QColor red(0xd6, 0x3a, 0x3a), green(0x2e, 0x9a, 0x4c), blue(0x2f, 0x6b, 0xd1),
        orange(0xe0, 0x8a, 0x12);
    // Plus, top left.
    p.setPen(pen(red));
    p.drawLine(QPointF(13, 20), QPointF(25, 20));
    p.drawLine(QPointF(19, 14), QPointF(19, 26));
    // Minus, top right.
    p.setPen(pen(green));
    p.drawLine(QPointF(31, 20), QPointF(43, 20));
    // Times, bottom left.
    p.setPen(pen(blue));
    p.drawLine(QPointF(14, 33), QPointF(24, 43));
    p.drawLine(QPointF(24, 33), QPointF(14, 43));
    // Divide, bottom right.
    p.setPen(pen(orange));
    p.drawLine(QPointF(31, 38), QPointF(43, 38));
    p.setPen(Qt::NoPen);
    p.setBrush(orange);
    const qreal r = detailed ? 2.0 : 2.6;
    p.drawEllipse(QPointF(37, 32), r, r);
    p.drawEllipse(QPointF(37, 44), r, r);
}

void DrawPencil(QPainter& p, bool detailed) {
    // A pencil lying from the bottom right towards the sheet, tip down-left.
    p.save();
    p.translate(44, 50);
    p.rotate(-45);
    const qreal half = detailed ? 4.5 : 5.5;
    // Body.
    p.setPen(QPen(QColor(0x7a, 0x4e, 0x10), detailed ? 1 : 1.5));
    p.setBrush(QColor(0xf5, 0xc2, 0x2b));
    p.drawRect(QRectF(0, -half, 22, 2 * half));
    if (detailed) {
        p.setPen(QPen(QColor(0xd9, 0x9e, 0x12), 1));
        p.drawLine(QPointF(1, 0), QPointF(21, 0));
    }
    // Eraser with its metal band.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xb0, 0xb6, 0xc0));
    p.drawRect(QRectF(22, -half, 3, 2 * half));
    p.setBrush(QColor(0xe8, 0x7a, 0x8a));
    p.drawRect(QRectF(25, -half, 4, 2 * half));
    // Wooden tip and lead.
    QPainterPath tip;
    tip.moveTo(0, -half);
    tip.lineTo(-10, 0);
    tip.lineTo(0, half);
    tip.closeSubpath();
    p.setBrush(QColor(0xf0, 0xd6, 0xa8));
    p.setPen(QPen(QColor(0x7a, 0x4e, 0x10), detailed ? 1 : 1.5));
    p.drawPath(tip);
    QPainterPath lead;
    lead.moveTo(-6.5, -half * 0.35);
    lead.lineTo(-10, 0);
    lead.lineTo(-6.5, half * 0.35);
    lead.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x33, 0x33, 0x33));
    p.drawPath(lead);
    p.restore();
}

QImage DrawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    const bool detailed = size >= 48;
    DrawSheet(p, detailed);
    DrawSigns(p, detailed);
    DrawPencil(p, detailed);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <directory>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (int size : {64, 48, 32, 16}) {
        const QString dir = root.filePath(QString::number(size));
        QDir().mkpath(dir);
        const QString file = dir + QStringLiteral("/vantrel-pelmora.png");
        if (!DrawIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
