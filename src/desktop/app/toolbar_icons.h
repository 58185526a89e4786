#pragma once
// The toolbar's images, looked up by the button's key ("Open", "Save",
// "Print"). The images are drawn here, so they look the same on every system
// whatever icon theme it has. An unknown key gives an empty icon.

#include <QIcon>
#include <QString>

namespace tallix {

QIcon ToolbarIcon(const QString& key);

}  // namespace tallix
