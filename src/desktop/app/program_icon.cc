#include "desktop/app/program_icon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resource lives in a static library, where nothing else would keep it.
static void InitIconResource() { Q_INIT_RESOURCE(tallix); }

namespace tallix {

QIcon ProgramIcon() {
  InitIconResource();
  // Drawn here rather than left to an icon engine plugin, which an
  // installation may lack.
  QSvgRenderer renderer(QString(":/tallix.svg"));
  QIcon icon;
  if (!renderer.isValid()) return icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

}  // namespace tallix
