// The program's folder: where Temp, Presets, NewRadio.txt and KarvelWCQXConfig.ini lie.
#pragma once

#include <QString>

namespace AppPaths {
// WAVECREST_HOME when set; otherwise the executable's folder when it is writable; otherwise the
// per-user application data folder (created when missing).
QString programFolder();
// programFolder() + "/" + name.
QString inProgramFolder(const QString &name);
} // namespace AppPaths
