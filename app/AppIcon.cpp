#include "app/AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <array>

namespace app {
namespace {

// The drawing, in a 32-unit square: the body and the lines on it (the door's
// edge and the two handles).
constexpr QRectF kBody(7, 2, 18, 28);
constexpr double kCorner = 3;
constexpr double kStroke = 2;
const std::array<QLineF, 3> kLines{QLineF(7, 12, 25, 12), QLineF(10, 6, 10, 9), QLineF(10, 16, 10, 22)};
const QColor kOutline(40, 70, 110);
const QColor kFill(200, 225, 245);

}  // namespace

QImage appIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(QPen(kOutline, kStroke));
    p.setBrush(kFill);
    p.drawRoundedRect(kBody, kCorner, kCorner);
    for (const auto& line : kLines) p.drawLine(line);
    return image;
}

QIcon appIcon() {
    return QIcon(QPixmap::fromImage(appIconImage(32)));
}

QString appIconSvg() {
    QString svg = QStringLiteral(
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" viewBox=\"0 0 32 32\">\n"
                      "  <g stroke=\"%1\" stroke-width=\"%2\" stroke-linecap=\"square\">\n"
                      "    <rect x=\"%3\" y=\"%4\" width=\"%5\" height=\"%6\" rx=\"%7\" fill=\"%8\"/>\n")
                      .arg(kOutline.name())
                      .arg(kStroke)
                      .arg(kBody.x())
                      .arg(kBody.y())
                      .arg(kBody.width())
                      .arg(kBody.height())
                      .arg(kCorner)
                      .arg(kFill.name());
    for (const auto& l : kLines)
        svg += QStringLiteral("    <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\"/>\n").arg(l.x1()).arg(l.y1()).arg(l.x2()).arg(l.y2());
    return svg + QStringLiteral("  </g>\n</svg>\n");
}

}  // namespace app
