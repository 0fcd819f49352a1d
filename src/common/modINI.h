// One key of one section of the settings file KarvelWCQXConfig.ini (shared().IniFilePath).
#pragma once

#include <QString>

// The key's value, trimmed and cut to 99 characters; "NOT SET" when the file, the section or the
// key is missing or the value is empty.
QString ReadINI(const QString &section, const QString &key);
// Writes the key, creating the file when missing; non-zero on success, 0 on failure.
qint32 WriteINI(const QString &section, const QString &key, const QString &value);
