// Whether a name leads to a file that is open: a save must not replace the open log under it, and a
// log deleted or moved while open is written on, but no longer where the user looks for it.
#pragma once

class QFileDevice;
class QString;

namespace FileIdentity {

// Whether path leads to the open file (itself, through links, or as another hard link of it).
bool sameFile(const QFileDevice &open, const QString &path);
// False once the open file was deleted, or the name leads nowhere or to another file.
bool nameLeadsTo(const QFileDevice &open, const QString &path);

} // namespace FileIdentity
