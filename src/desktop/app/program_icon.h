#pragma once
// The program's icon (data/tallix.svg, built into the program as a Qt
// resource), drawn at the sizes window managers and task bars ask for.

#include <QIcon>

namespace tallix {

QIcon ProgramIcon();

}  // namespace tallix
