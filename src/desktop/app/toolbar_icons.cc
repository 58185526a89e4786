#include "desktop/app/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tallix {
namespace {

constexpr int kSize = 32;  // drawn large, scaled down by the toolbar

void DrawOpen(QPainter& p) {
  // An open folder.
  p.setPen(QPen(QColor(120, 90, 20), 1.5));
  p.setBrush(QColor(230, 190, 80));
  p.drawRect(QRectF(3, 8, 22, 18));
  p.drawRect(QRectF(3, 5, 9, 4));
  QPainterPath flap;
  flap.moveTo(7, 13);
  flap.lineTo(29, 13);
  flap.lineTo(25, 26);
  flap.lineTo(3, 26);
  flap.closeSubpath();
  p.setBrush(QColor(250, 215, 110));
  p.drawPath(flap);
}

void DrawSave(QPainter& p) {
  // A diskette.
  p.setPen(QPen(QColor(30, 50, 100), 1.5));
  p.setBrush(QColor(60, 100, 180));
  p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
  p.setBrush(QColor(235, 235, 235));
  p.drawRect(QRectF(9, 4, 14, 9));
  p.setBrush(QColor(60, 100, 180));
  p.drawRect(QRectF(18, 6, 3, 5));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(8, 17, 16, 11));
}

void DrawPrint(QPainter& p) {
  // A printer with a sheet coming out.
  p.setPen(QPen(QColor(60, 60, 60), 1.5));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(9, 3, 14, 10));
  p.setBrush(QColor(170, 170, 170));
  p.drawRoundedRect(QRectF(3, 12, 26, 11), 2, 2);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(9, 19, 14, 10));
  p.setPen(QPen(QColor(120, 120, 120), 1));
  p.drawLine(QPointF(12, 23), QPointF(20, 23));
  p.drawLine(QPointF(12, 26), QPointF(20, 26));
  p.setBrush(QColor(60, 180, 60));
  p.drawEllipse(QRectF(24, 14, 3, 3));
}

}  // namespace

QIcon ToolbarIcon(const QString& key) {
  void (*draw)(QPainter&) = nullptr;
  if (key == "Open") draw = DrawOpen;
  if (key == "Save") draw = DrawSave;
  if (key == "Print") draw = DrawPrint;
  if (draw == nullptr) return {};
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  draw(painter);
  painter.end();
  return QIcon(pixmap);
}

}  // namespace tallix
