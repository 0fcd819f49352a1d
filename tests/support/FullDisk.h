// A full disk for the length of one scope, without root or a mount: a limit on the size of any
// file this process writes, with the limit's signal ignored, so a write past it fails as a write
// to a full disk does (with "File too large" where a full disk says "No space left on device").
// Files already larger than the limit can still be read and renamed; they cannot grow.
#pragma once

#include <QtGlobal>

class FullDisk
{
public:
    // Room for this many bytes in any one file.
    explicit FullDisk(qint64 roomBytes = 0);
    ~FullDisk();

    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    // False where the system offers no such limit: the test should then QSKIP.
    bool active() const { return m_active; }

private:
    bool m_active = false;
    quint64 m_oldLimit = 0;
};
