#include "config/ConfigFiles.h"

#include "common/Module1.h"
#include "config/ConfigReport.h"

#include "platform/Dialogs.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFileInfo>

namespace ConfigFiles {

std::optional<QStringList> readLines(const QString &path, QString *error)
{
    const std::optional<QString> text = RegularFile::readText(path, error);
    if (!text)
        return std::nullopt;
    return ConfigReport::splitLines(*text);
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

QString linesLeftOutMessage(const QList<LeftOutLine> &lines)
{
    QString text = QStringLiteral("These lines were not sent to the radio: each holds a tab or another control "
                                  "character, which the radio would take as part of the command or as a command "
                                  "of its own.");
    const QString *file = nullptr;
    for (const LeftOutLine &line : lines) {
        if (!file || line.file != *file) {
            file = &line.file;
            text += QStringLiteral("\r\n\r\n") + QDir::toNativeSeparators(line.file);
        }
        text += QStringLiteral("\r\n    line %1: %2").arg(QString::number(line.number), ShowControlCharacters(line.text));
    }
    return text + QStringLiteral("\r\n\r\nThe other lines were sent. Correct the file and send it again.");
}

} // namespace ConfigFiles
