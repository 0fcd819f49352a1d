#include "common/modINI.h"

#include "common/SharedState.h"
#include "platform/PrivateProfile.h"

namespace {
// The reader hands over at most 99 characters and a terminator.
constexpr int ValueBufferSize = 100;
}

QString ReadINI(const QString &section, const QString &key)
{
    const ProfileString got = getPrivateProfileString(section, key, QString(), ValueBufferSize,
                                                      shared().IniFilePath);
    if (got.count == 0)
        return QStringLiteral("NOT SET");
    return got.text.left(got.count).trimmed();
}

qint32 WriteINI(const QString &section, const QString &key, const QString &value)
{
    return writePrivateProfileString(section, key, value, shared().IniFilePath);
}
