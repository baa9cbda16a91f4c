#include "adjust/RedEyeGlyph.h"

#include <QPainter>
#include <QRadialGradient>

QPixmap redEyeGlyph() {
    constexpr int kSize = 30;
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(kSize / 2.0, kSize / 2.0);

    // Light rim, then the dark ring of the iris.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(235, 228, 220));
    painter.drawEllipse(centre, 14.0, 14.0);
    painter.setBrush(QColor(40, 22, 18));
    painter.drawEllipse(centre, 12.0, 12.0);

    // The red pupil glows: bright at its heart, deep red at its edge.
    QRadialGradient glow(centre, 9.0, centre - QPointF(1.5, 1.5));
    glow.setColorAt(0.0, QColor(255, 190, 120));
    glow.setColorAt(0.35, QColor(255, 40, 20));
    glow.setColorAt(1.0, QColor(150, 0, 0));
    painter.setBrush(glow);
    painter.drawEllipse(centre, 9.0, 9.0);

    // A catch light.
    painter.setBrush(QColor(255, 255, 255, 220));
    painter.drawEllipse(centre + QPointF(-3.5, -3.5), 2.0, 2.0);
    painter.end();
    return QPixmap::fromImage(image);
}
