// File access as another user for one scope, on the calling thread only (on Linux, the thread's
// file-system user and group). A test run as root thus meets the permission checks a technician's
// own account meets: root may write any file and make files in any folder.
#pragma once

#include <QtGlobal>

class FileAccessAs
{
public:
    FileAccessAs(uint uid, uint gid);
    ~FileAccessAs();

    FileAccessAs(const FileAccessAs &) = delete;
    FileAccessAs &operator=(const FileAccessAs &) = delete;

    bool active() const { return m_active; }
    // Whether this process may take up another user's file access: root, on Linux.
    static bool possible();

private:
    bool m_active = false;
    uint m_oldUid = 0;
    uint m_oldGid = 0;
};
