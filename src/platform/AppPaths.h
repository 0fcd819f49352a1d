// The program's folder: where Temp, Presets, NewRadio.txt and KarvelWCQXConfig.ini lie.
#pragma once

#include <QString>

namespace AppPaths {
// WAVECREST_HOME when set; otherwise the executable's folder when it is writable; otherwise the
// per-user application data folder (created when missing).
QString programFolder();
// Makes a relative WAVECREST_HOME absolute against the current folder. Runs once at start-up,
// before the program changes its current folder (the Temp folder is made current).
void anchorProgramFolder();
// programFolder() + "/" + name.
QString inProgramFolder(const QString &name);
} // namespace AppPaths
