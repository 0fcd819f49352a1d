// The per-user application settings store: texts kept by application, section and key between
// runs (the COM port and the preferences).
#pragma once

#include "platform/RuntimeError.h"

#include <QString>

namespace RuntimeErr {
constexpr int PermissionDenied = 70;
} // namespace RuntimeErr

// The stored text, or defaultValue when the key is missing. Throws RuntimeError 70 when the store
// cannot be read.
QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue = QString());
// Stores the text; false when the store could not be written (it is then as it was, and *error
// holds the system's text).
bool SaveSetting(const QString &appName, const QString &section, const QString &key,
                 const QString &value, QString *error = nullptr);

namespace SettingsStore {
// Keeps the store under folder instead of the user's configuration folder (tests); an empty
// folder goes back to the user's own.
void setFolder(const QString &folder);
// The file that holds appName's settings.
QString fileName(const QString &appName);
} // namespace SettingsStore
