#include "config/ConfigFiles.h"

#include "config/ConfigReport.h"

#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace ConfigFiles {

std::optional<QStringList> readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return ConfigReport::splitLines(QString::fromLatin1(bytes));
}

QString tmpSibling(const QString &path)
{
    const QFileInfo info(path);
    return info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".tmp");
}

bool writeThroughTmp(const QString &path, const QStringList &lines)
{
    const QString tmp = tmpSibling(path);
    QFile file(tmp);
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (const QString &line : lines) {
        if (!ok)
            break;
        ok = file.write(ConfigReport::fileLine(line)) >= 0;
    }
    ok = ok && file.flush();
    file.close();
    if (ok) {
        // Takes the old file's place in one step: there is no moment without a preset file.
        std::error_code error;
        std::filesystem::rename(std::filesystem::path(tmp.toStdString()), std::filesystem::path(path.toStdString()),
                                error);
        ok = !error;
    }
    if (!ok)
        QFile::remove(tmp);
    return ok;
}

} // namespace ConfigFiles
