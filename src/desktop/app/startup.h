#pragma once
// How the program shows its main window: shown first, then what start-up had
// to say about the configuration, then the log named on the command line
// (`tallix FILE`, as a file manager starts it), opened exactly as File > Open
// would once the window is up. Further arguments are ignored.

#include <QStringList>

namespace tallix {

class frmMain;

// `arguments` as QCoreApplication::arguments() gives them, the program first.
void StartMainWindow(frmMain& window, const QStringList& arguments);

}  // namespace tallix
