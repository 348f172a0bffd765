#include "app/window/appicon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace dtu {

QIcon AppIcon() {
    // Drawn here rather than left to an icon-engine plugin, which a bare Qt install may lack.
    QSvgRenderer svg(QStringLiteral(":/dtucfg.svg"));
    if (!svg.isValid()) return {};
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace dtu
