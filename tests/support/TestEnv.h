// A clean world for one test: a temporary program folder and settings store, the shared state at
// its start values, scripted dialogs and (optionally) a faster clock. Restores it all on exit.
#pragma once

#include "support/ScriptedDialogs.h"

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// The lines of a CR LF text file (Latin-1), without a last empty line; empty when unreadable.
QStringList crLfFileLines(const QString &path);

class TestEnv
{
public:
    explicit TestEnv(double clockScale = 1.0);
    ~TestEnv();

    QString home() const { return m_dir.path(); }
    QString path(const QString &name) const { return m_dir.filePath(name); }
    ScriptedDialogs &dialogs() { return *m_dialogs; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    QString m_oldCwd;
};
