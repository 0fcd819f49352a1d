// The toolbar's pictures and the connection images, drawn here so they need no image files.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace Icons {
// By toolbar key: "OpenLogFile", "CloseLogFile", "Connect", "Disconnect", "Properties",
// "TransmitTextFile", "Login", "Logout", "Terminal".
QIcon toolIcon(const QString &key);
// The plug pictures of Frame1.
QPixmap connectedImage(int size = 32);
QPixmap notConnectedImage(int size = 32);
QIcon appIcon();
} // namespace Icons
