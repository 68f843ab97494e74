#include "filemanager/MainIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QPolygon>

// Three blocks on a file plane, as a panel shows a directory.
QIcon MainIcon()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::black);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(143, 188, 143));
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(QPolygon({{4, 52}, {32, 38}, {60, 52}, {32, 62}}));
    const struct {
        int x, height;
        QColor colour;
    } blocks[] = {{10, 18, QColor(152, 226, 245)}, {26, 34, QColor(255, 0, 0)}, {42, 24, QColor(240, 240, 240)}};
    for (const auto& block : blocks)
        painter.fillRect(block.x, 50 - block.height, 12, block.height, block.colour);
    return QIcon(pixmap);
}
