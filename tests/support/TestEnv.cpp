#include "support/TestEnv.h"

#include "common/SharedState.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/CommControl.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>

TestEnv::TestEnv(double clockScale) : m_dialogs(std::make_unique<ScriptedDialogs>()), m_oldCwd(QDir::currentPath())
{
    qputenv("WAVECREST_HOME", m_dir.path().toLocal8Bit());
    // File dialogs start in a documents folder of the test's own.
    QDir().mkpath(m_dir.filePath(QStringLiteral("Documents")));
    Dialogs::setDocumentsFolder(m_dir.filePath(QStringLiteral("Documents")));
    SettingsStore::setFolder(m_dir.filePath(QStringLiteral("store")));
    resetShared();
    Clock::setScale(clockScale);
    Clock::setRandomSource(nullptr);
}

TestEnv::~TestEnv()
{
    QDir::setCurrent(m_oldCwd);
    AppPaths::releaseTempFolder();   // while the folder is still there
    Clock::setScale(1.0);
    Clock::setRandomSource(nullptr);
    CommFactory::setFactory(nullptr);
    SettingsStore::setFolder(QString());
    qunsetenv("WAVECREST_HOME");
    Dialogs::setDocumentsFolder(QString());
    resetShared();
}

QStringList crLfFileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
