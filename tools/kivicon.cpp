// Draws the program's icon: a chat bubble with three coloured rows and a bell, on a
// blue rounded square.
//
//   kivicon FILE.png

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kivicon FILE.png\n");
        return 2;
    }
    QImage image(128, 128, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient back(0, 0, 0, 128);
    back.setColorAt(0, QColor(0x2f, 0x6f, 0xb0));
    back.setColorAt(1, QColor(0x17, 0x3b, 0x66));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(6, 6, 116, 116), 22, 22);

    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(14, 30, 88, 54), 8, 8);
    QPainterPath tail;
    tail.moveTo(34, 82);
    tail.lineTo(34, 98);
    tail.lineTo(52, 82);
    tail.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(bubble.united(tail));

    const struct { int width; QColor colour; } rows[] = {
        {40, QColor(0xee, 0x00, 0xee)}, {62, QColor(0x00, 0xa0, 0xf0)}, {50, QColor(0x00, 0xb0, 0x00)}};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(rows[i].colour);
        p.drawRoundedRect(QRectF(24, 40 + 13 * i, rows[i].width, 7), 3, 3);
    }

    QPainterPath bell;
    bell.moveTo(86, 58);
    bell.cubicTo(74, 58, 72, 68, 72, 76);
    bell.lineTo(72, 84);
    bell.lineTo(66, 92);
    bell.lineTo(106, 92);
    bell.lineTo(100, 84);
    bell.lineTo(100, 76);
    bell.cubicTo(100, 68, 98, 58, 86, 58);
    p.setPen(QPen(QColor(0x7a, 0x5a, 0x00), 2));
    p.setBrush(QColor(0xf0, 0xc0, 0x20));
    p.drawPath(bell);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7a, 0x5a, 0x00));
    p.drawEllipse(QPointF(86, 97), 4.5, 4.5);
    p.end();

    if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "kivicon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
