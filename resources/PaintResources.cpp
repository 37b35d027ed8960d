// Paints the images the viewer carries compiled in: the window icon (a turtle shell of
// triangles, the program's namesake) and the two indicators of the collapsible tool boxes (a
// triangle pointing down when the box is open, right when it is closed). Run at build time:
//
//   zelvane-paint-resources OUTPUT_DIR
//
// writes zelvane.png, triangle.png and triangle2.png into OUTPUT_DIR; the build then compiles
// them in under ":/images/". Shapes only, no text, so the result is the same on every machine.
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <cstdio>

namespace {

// The icon: a dark rounded tile holding a hexagonal shell cut into triangles, each triangle
// in a shade of green by its ring, with four feet and a head.
QImage paintIcon() {
  const int size = 64;
  QImage img(size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(28, 46, 66));
  p.drawRoundedRect(QRectF(1, 1, size - 2, size - 2), 12, 12);

  const QPointF c(32, 34);
  const double r = 17;
  // Head and feet first, under the shell.
  p.setBrush(QColor(150, 190, 90));
  p.drawEllipse(QPointF(32, 11), 5.5, 6.5);
  for (int k = 0; k < 4; k++) {
    double a = (45 + 90 * k) * M_PI / 180.0;
    p.drawEllipse(c + QPointF(std::cos(a), std::sin(a)) * (r + 2), 5, 5);
  }
  // The shell: six sectors, each split into four triangles (centre, two edge midpoints).
  QPointF corner[6];
  for (int k = 0; k < 6; k++) {
    double a = (30 + 60 * k) * M_PI / 180.0;
    corner[k] = c + QPointF(std::cos(a), std::sin(a)) * r;
  }
  p.setPen(QPen(QColor(20, 60, 30), 1.2));
  for (int k = 0; k < 6; k++) {
    QPointF a = corner[k], b = corner[(k + 1) % 6];
    QPointF ma = (c + a) / 2, mb = (c + b) / 2, mab = (a + b) / 2;
    const QPolygonF tri[4] = {QPolygonF({c, ma, mb}), QPolygonF({ma, a, mab}),
                              QPolygonF({mab, b, mb}), QPolygonF({ma, mab, mb})};
    const QColor shade[4] = {QColor(60, 150, 70), QColor(90, 175, 80), QColor(90, 175, 80),
                             QColor(120, 200, 95)};
    for (int t = 0; t < 4; t++) {
      p.setBrush(shade[t]);
      p.drawPolygon(tri[t]);
    }
  }
  p.end();
  return img;
}

// A 10 x 10 indicator: a filled dark triangle pointing down (open) or right (closed).
QImage paintIndicator(bool open) {
  QImage img(10, 10, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(50, 50, 50));
  if (open)
    p.drawPolygon(QPolygonF({QPointF(0.5, 2), QPointF(9.5, 2), QPointF(5, 8.5)}));
  else
    p.drawPolygon(QPolygonF({QPointF(2, 0.5), QPointF(8.5, 5), QPointF(2, 9.5)}));
  p.end();
  return img;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  // Painting into images needs no screen.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.exists() && !QDir().mkpath(dir.path())) return 1;
  bool ok = paintIcon().save(dir.filePath("zelvane.png"), "PNG") &&
            paintIndicator(true).save(dir.filePath("triangle.png"), "PNG") &&
            paintIndicator(false).save(dir.filePath("triangle2.png"), "PNG");
  return ok ? 0 : 1;
}
