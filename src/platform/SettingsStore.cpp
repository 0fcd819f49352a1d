#include "platform/SettingsStore.h"

#include <QLoggingCategory>
#include <QSettings>
#include <memory>

Q_LOGGING_CATEGORY(lcStore, "wavecrest.store", QtInfoMsg)

namespace {

const QString Organisation = QStringLiteral("Karvel");
QString g_folder;

// Always the INI form, so a technician can read the store as text on every platform.
std::unique_ptr<QSettings> openStore(const QString &appName)
{
    if (!g_folder.isEmpty())
        return std::make_unique<QSettings>(g_folder + u'/' + Organisation + u'/' + appName + QStringLiteral(".ini"),
                                           QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, Organisation, appName);
}

QString keyPath(const QString &section, const QString &key)
{
    return section + u'/' + key;
}

} // namespace

QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    const auto store = openStore(appName);
    const QVariant value = store->value(keyPath(section, key));
    if (store->status() == QSettings::AccessError) {
        qCDebug(lcStore) << "cannot read" << store->fileName();
        throw RuntimeError(RuntimeErr::PermissionDenied, QStringLiteral("Permission denied"));
    }
    return value.isValid() ? value.toString() : defaultValue;
}

bool SaveSetting(const QString &appName, const QString &section, const QString &key,
                 const QString &value)
{
    const auto store = openStore(appName);
    store->setValue(keyPath(section, key), value);
    store->sync();
    if (store->status() != QSettings::NoError) {
        qCDebug(lcStore) << "cannot write" << store->fileName();
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
    return openStore(appName)->fileName();
}

} // namespace SettingsStore
