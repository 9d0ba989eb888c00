#include "app/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace app {

QIcon appIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 70, 110), 2));
    p.setBrush(QColor(200, 225, 245));
    p.drawRoundedRect(QRectF(7, 2, 18, 28), 3, 3);
    p.drawLine(QPointF(7, 12), QPointF(25, 12));
    p.drawLine(QPointF(10, 6), QPointF(10, 9));
    p.drawLine(QPointF(10, 16), QPointF(10, 22));
    return QIcon(pm);
}

}  // namespace app
