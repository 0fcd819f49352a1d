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
// Marks the Temp folder as in use by this running copy for as long as it runs; true when no other
// running copy uses it, so that the files there belong to none and may go.
bool claimTempFolder();
// Gives the claim back (at exit it goes by itself).
void releaseTempFolder();
// Whether a file of that name in Temp is one of the marks claimTempFolder() leaves there.
bool isTempClaim(const QString &fileName);
} // namespace AppPaths
