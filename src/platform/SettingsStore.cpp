#include "platform/SettingsStore.h"

#include "platform/PrivateProfile.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSettings>

Q_LOGGING_CATEGORY(lcStore, "wavecrest.store", QtInfoMsg)

namespace {

const QString Organisation = QStringLiteral("Karvel");
QString g_folder;

} // namespace

// The store is an INI file a technician can read, where QSettings would keep it, read and written
// by the same INI code as the program's settings file. That code writes through a temporary file
// and checks every write: QSettings (Qt 6.4) can report a write on a full disk as done and leave
// the store empty, and its cache in the process then hides the loss until the next start.

QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    const QString file = SettingsStore::fileName(appName);
    bool unreadable = false;
    const std::optional<QString> value = readProfileValue(section, key, file, &unreadable);
    if (unreadable) {
        qCDebug(lcStore) << "cannot read" << file;
        throw RuntimeError(RuntimeErr::PermissionDenied, QStringLiteral("Permission denied"));
    }
    return value.value_or(defaultValue);
}

bool SaveSetting(const QString &appName, const QString &section, const QString &key,
                 const QString &value, QString *error)
{
    const QString file = SettingsStore::fileName(appName);
    QDir().mkpath(QFileInfo(file).path());
    QString why;
    if (writePrivateProfileString(section, key, value, file, &why) == 0) {
        qCDebug(lcStore) << "cannot write" << file << why;
        if (error)
            *error = why;
        return false;
    }
    return true;
}

namespace SettingsStore {

void setFolder(const QString &folder)
{
    g_folder = folder;
}

QString fileName(const QString &appName)
{
    if (!g_folder.isEmpty())
        return g_folder + u'/' + Organisation + u'/' + appName + QStringLiteral(".ini");
    return QSettings(QSettings::IniFormat, QSettings::UserScope, Organisation, appName).fileName();
}

} // namespace SettingsStore
