#include "config/ConfigFiles.h"

#include "config/ConfigReport.h"

#include "platform/Dialogs.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

bool writeThroughTmp(const QString &path, const QStringList &lines, QString *error)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += ConfigReport::fileLine(line);
    return SafeFile::write(path, bytes, error);
}

void showWriteFailure(const QString &path, const QString &error)
{
    MsgBox(QStringLiteral("The file could not be saved:\r\n") + QDir::toNativeSeparators(path)
               + QStringLiteral("\r\n\r\n") + error,
           Msg::OKOnly, Msg::Exclamation, QStringLiteral("File I/O Error"));
}

} // namespace ConfigFiles
