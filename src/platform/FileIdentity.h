// Whether a file that is open is still the one its name leads to: a file deleted or moved while
// open is written on, but no longer where the user looks for it.
#pragma once

class QFileDevice;
class QString;

namespace FileIdentity {

// False once the open file was deleted, or the name leads nowhere or to another file. Where the
// platform cannot tell files apart, whether a file of that name is there.
bool nameLeadsTo(const QFileDevice &open, const QString &path);

} // namespace FileIdentity
