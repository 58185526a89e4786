#include "desktop/app/startup.h"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include "desktop/app/frm_main.h"

namespace tallix {

void StartMainWindow(frmMain& window, const QStringList& arguments) {
  window.show();
  window.ReportStartupProblems();
  if (arguments.size() < 2) return;
  // The file dialog gives full paths; so does the command line from here on.
  const QString path = QFileInfo(arguments.at(1)).absoluteFilePath();
  QTimer::singleShot(0, &window, [target = QPointer<frmMain>(&window), path] {
    if (target) target->OpenLogFile(path);
  });
}

}  // namespace tallix
