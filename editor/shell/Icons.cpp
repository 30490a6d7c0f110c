#include "shell/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygon>
#include <functional>

namespace kerrow {

namespace {

QIcon Draw(const std::function<void(QPainter&)>& paint) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  paint(painter);
  return QIcon(pixmap);
}

const QColor kInk(40, 40, 40);

void Folder(QPainter& p) {
  p.setPen(QColor(150, 110, 0));
  p.setBrush(QColor(240, 200, 40));
  p.drawRect(1, 4, 13, 10);
  p.drawRect(1, 2, 5, 2);
  p.setBrush(QColor(255, 225, 90));
  p.drawRect(2, 6, 12, 8);
}

void BrushPot(QPainter& p) {
  // Brush handles standing in the pot, then the pot in front.
  p.setPen(QPen(QColor(140, 80, 20), 1));
  p.drawLine(5, 8, 3, 1);
  p.drawLine(8, 8, 8, 0);
  p.drawLine(11, 8, 13, 2);
  p.fillRect(2, 0, 3, 2, QColor(220, 30, 30));
  p.fillRect(7, 0, 3, 2, QColor(30, 120, 220));
  p.fillRect(12, 1, 3, 2, QColor(40, 170, 40));
  p.setPen(QColor(60, 60, 90));
  p.setBrush(QColor(120, 130, 170));
  p.drawRect(3, 8, 10, 7);
}

void Open(QPainter& p) {
  Folder(p);
  p.setPen(QPen(kInk, 2));
  p.drawLine(9, 9, 14, 4);
}

void Save(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(QColor(60, 90, 170));
  p.drawRect(1, 1, 13, 13);
  p.fillRect(4, 2, 8, 5, Qt::white);
  p.fillRect(5, 10, 6, 4, QColor(200, 200, 200));
}

void Reload(QPainter& p) {
  p.setPen(QPen(QColor(30, 130, 60), 2));
  p.drawArc(2, 2, 12, 12, 60 * 16, 280 * 16);
  p.setBrush(QColor(30, 130, 60));
  p.drawPolygon(QPolygon({QPoint(10, 0), QPoint(15, 3), QPoint(10, 6)}));
}

void Arrow(QPainter& p, bool back) {
  p.setPen(QPen(QColor(30, 60, 160), 2));
  QPainterPath path;
  path.moveTo(back ? 13 : 3, 13);
  path.cubicTo(back ? 13 : 3, 5, back ? 8 : 8, 5, back ? 3 : 13, 6);
  p.drawPath(path);
  p.setBrush(QColor(30, 60, 160));
  p.setPen(Qt::NoPen);
  if (back) {
    p.drawPolygon(QPolygon({QPoint(1, 6), QPoint(6, 2), QPoint(6, 10)}));
  } else {
    p.drawPolygon(QPolygon({QPoint(15, 6), QPoint(10, 2), QPoint(10, 10)}));
  }
}

void Pencil(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(QColor(250, 200, 60));
  p.drawPolygon(QPolygon({QPoint(3, 10), QPoint(11, 2), QPoint(14, 5), QPoint(6, 13)}));
  p.setBrush(kInk);
  p.drawPolygon(QPolygon({QPoint(3, 10), QPoint(6, 13), QPoint(1, 15)}));
}

void Eyedropper(QPainter& p) {
  p.setPen(QPen(kInk, 2));
  p.drawLine(2, 14, 10, 6);
  p.setBrush(kInk);
  p.drawEllipse(10, 1, 4, 4);
}

void Replacer(QPainter& p) {
  p.fillRect(1, 1, 7, 7, QColor(220, 40, 40));
  p.fillRect(8, 8, 7, 7, QColor(40, 90, 220));
  p.setPen(QPen(kInk, 1));
  p.drawLine(9, 3, 13, 3);
  p.drawLine(13, 3, 13, 6);
  p.drawLine(3, 9, 3, 13);
  p.drawLine(3, 13, 6, 13);
}

void Selection(QPainter& p) {
  p.setPen(QPen(kInk, 1, Qt::DashLine));
  p.drawRect(1, 1, 13, 13);
}

void Eraser(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(QColor(240, 150, 170));
  p.drawPolygon(QPolygon({QPoint(1, 10), QPoint(8, 3), QPoint(14, 9), QPoint(7, 15)}));
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygon({QPoint(1, 10), QPoint(4, 7), QPoint(10, 13), QPoint(7, 15)}));
}

void Spray(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(QColor(150, 150, 160));
  p.drawRect(6, 6, 6, 9);
  p.fillRect(8, 3, 2, 3, kInk);
  for (QPoint dot : {QPoint(2, 1), QPoint(4, 3), QPoint(1, 4), QPoint(3, 6), QPoint(5, 1)}) {
    p.drawPoint(dot);
  }
}

void Bucket(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(QColor(200, 200, 210));
  p.drawPolygon(QPolygon({QPoint(2, 7), QPoint(8, 1), QPoint(14, 7), QPoint(8, 13)}));
  p.setBrush(QColor(40, 90, 220));
  p.drawEllipse(11, 10, 4, 5);
}

void Shape(QPainter& p) {
  p.setPen(kInk);
  p.setBrush(QColor(90, 180, 90));
  p.drawRect(1, 5, 8, 8);
  p.setBrush(QColor(230, 120, 40));
  p.drawEllipse(7, 1, 8, 8);
}

}  // namespace

QIcon HeadingIcon() {
  return Draw(Folder);
}
QIcon SpriteIcon() {
  return Draw(BrushPot);
}

QIcon ToolbarIcon(const QString& key) {
  if (key == "open") return Draw(Open);
  if (key == "save") return Draw(Save);
  if (key == "reload") return Draw(Reload);
  if (key == "undo") return Draw([](QPainter& p) { Arrow(p, true); });
  if (key == "redo") return Draw([](QPainter& p) { Arrow(p, false); });
  if (key == "a") return Draw(Pencil);
  if (key == "b") return Draw(Eyedropper);
  if (key == "c") return Draw(Replacer);
  if (key == "d") return Draw(Selection);
  if (key == "e") return Draw(Eraser);
  if (key == "f") return Draw(Spray);
  if (key == "g") return Draw(Bucket);
  if (key == "h") return Draw(Shape);
  return QIcon();
}

}  // namespace kerrow
