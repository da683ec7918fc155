// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TAppIcon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal margin = size / 16.0;
    const QRectF square(margin, margin, size - 2 * margin, size - 2 * margin);
    QPainterPath rounded;
    rounded.addRoundedRect(square, size / 5.0, size / 5.0);
    painter.fillPath(rounded, QColor(0x1f, 0x6f, 0xb2));
    // A magnifier over the letter: finding postings.
    painter.setPen(QPen(Qt::white, size / 12.0));
    const qreal lens = size * 0.42;
    painter.drawEllipse(QRectF(size * 0.2, size * 0.18, lens, lens));
    painter.drawLine(QPointF(size * 0.55, size * 0.55), QPointF(size * 0.78, size * 0.78));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(static_cast<int>(size * 0.3));
    painter.setFont(font);
    painter.drawText(QRectF(size * 0.2, size * 0.18, lens, lens), Qt::AlignCenter, QStringLiteral("T"));
    return pixmap;
}

} // namespace

QIcon TrawlixIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128})
        icon.addPixmap(DrawIcon(size));
    return icon;
}
