// Reading and writing one key of an INI settings file, with the behaviour of the Windows
// private-profile calls the settings file was designed around. The file stays a plain text a
// person can read and edit: every line the program does not change is kept byte for byte.
#pragma once

#include <QString>

#include <optional>

struct ProfileString
{
    int count = 0;   // characters returned, at most bufferSize - 1
    QString text;    // the first count characters of the value (or of the default)
};

// The value of key in section (both matched without regard to case), trimmed of blanks and cut
// to bufferSize - 1 characters; the default, with its trailing blanks dropped, when the file,
// the section or the key is missing.
ProfileString getPrivateProfileString(const QString &section, const QString &key,
                                      const QString &defaultValue, int bufferSize,
                                      const QString &filePath);

// The whole value of key in section, trimmed of blanks; nothing when the file, the section or the
// key is missing. *unreadable is set when there is a file that cannot be read.
std::optional<QString> readProfileValue(const QString &section, const QString &key, const QString &filePath,
                                        bool *unreadable = nullptr);

// Sets key in section to value: replaces the key's line in place, or adds it at the end of the
// section, or adds the section at the end of the file; creates the file when missing. Returns
// non-zero on success and 0 when the file cannot be written (the old file is then unchanged, and
// *error holds the system's text).
int writePrivateProfileString(const QString &section, const QString &key, const QString &value,
                              const QString &filePath, QString *error = nullptr);
