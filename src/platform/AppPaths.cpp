#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace AppPaths {

QString programFolder()
{
    const QString home = qEnvironmentVariable("WAVECREST_HOME");
    if (!home.isEmpty()) {
        QDir().mkpath(home);
        return QDir(home).absolutePath();
    }
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (!exeDir.isEmpty() && QFileInfo(exeDir).isWritable())
        return exeDir;
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.wavecrest-config");
    QDir().mkpath(data);
    return data;
}

void anchorProgramFolder()
{
    const QString home = qEnvironmentVariable("WAVECREST_HOME");
    if (!home.isEmpty() && QDir::isRelativePath(home))
        qputenv("WAVECREST_HOME", QFile::encodeName(QDir(home).absolutePath()));
}

QString inProgramFolder(const QString &name)
{
    return programFolder() + QLatin1Char('/') + name;
}

} // namespace AppPaths
