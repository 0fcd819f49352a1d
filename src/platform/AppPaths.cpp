#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>

#include <chrono>

#include <memory>

namespace {

// Copies started with the same program folder share its Temp folder: each holds a lock file there
// while it runs, so that one starting up does not empty it under another one's print.
struct TempClaim
{
    QString folder;
    QString name;
    std::unique_ptr<QLockFile> lock;
};

TempClaim &ownClaim()
{
    static TempClaim claim;
    return claim;
}

// Whether a copy on this machine could still be printing from Temp is asked of the system. One on
// another machine (the program folder shared over the network) cannot be asked: its claim counts
// for a day, longer than any print, so that a copy that died there keeps Temp for a day, not for ever.
constexpr std::chrono::hours OtherMachineClaimLife{24};

std::unique_ptr<QLockFile> lockAt(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // A copy that runs for days still holds its claim: only a copy that is gone gives it up.
    lock->setStaleLockTime(0);
    qint64 pid = 0;
    QString host;
    QString app;
    if (lock->getLockInfo(&pid, &host, &app) && !host.isEmpty() && host != QSysInfo::machineHostName())
        lock->setStaleLockTime(OtherMachineClaimLife);
    return lock;
}

} // namespace

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

bool isTempClaim(const QString &fileName)
{
    static const QRegularExpression claim(QStringLiteral("^\\.wavecrest-running-[0-9]+\\.lock(\\.rmlock)?$"));
    return claim.match(fileName).hasMatch();
}

void releaseTempFolder()
{
    ownClaim().lock.reset();
    ownClaim().folder.clear();
}

bool claimTempFolder()
{
    const QDir temp(inProgramFolder(QStringLiteral("Temp")));
    TempClaim &own = ownClaim();
    if (own.folder != temp.path()) {
        releaseTempFolder();
        own.folder = temp.path();
    }
    for (int n = 1; !own.lock && n <= 100; ++n) {
        own.name = QStringLiteral(".wavecrest-running-%1.lock").arg(n);
        auto lock = lockAt(temp.filePath(own.name));
        if (lock->tryLock(0))
            own.lock = std::move(lock);
    }
    bool alone = true;
    const QStringList names = temp.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (!isTempClaim(name) || name.endsWith(QLatin1String(".rmlock")) || (own.lock && name == own.name))
            continue;
        auto other = lockAt(temp.filePath(name));
        if (other->tryLock(0))
            other->unlock();   // the claim of a copy that ended without taking it back
        else
            alone = false;
    }
    return alone;
}

} // namespace AppPaths
