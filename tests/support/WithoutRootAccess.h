#pragma once

#include <sys/fsuid.h>
#include <unistd.h>

// Tests run as root, and root writes through read-only permissions. While
// this object lives, file access on this thread is checked as an ordinary
// user, so read-only folders and files really are read-only.
class WithoutRootAccess
{
public:
    WithoutRootAccess() : m_wasRoot(geteuid() == 0)
    {
        if (m_wasRoot) {
            setfsgid(65534);
            setfsuid(65534);
        }
    }
    ~WithoutRootAccess()
    {
        if (m_wasRoot) {
            setfsuid(0);
            setfsgid(0);
        }
    }
    WithoutRootAccess(const WithoutRootAccess&) = delete;
    WithoutRootAccess& operator=(const WithoutRootAccess&) = delete;

private:
    bool m_wasRoot;
};
