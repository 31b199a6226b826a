// A temporary HOME for driver-switch tests (the previous one comes back
// afterwards), and glxinfo asked, with that HOME's ~/.drirc, whether the
// driver lists an extension.
#ifndef TESTS_SUPPORT_DRIRC_HOME_H
#define TESTS_SUPPORT_DRIRC_HOME_H

#include <cstdlib>
#include <string>

#include "support/command.h"
#include "support/temp_dir.h"

class DrircHome {
public:
    DrircHome() { setenv("HOME", dir_.path().c_str(), 1); }
    ~DrircHome() { setenv("HOME", oldHome_.c_str(), 1); }
    DrircHome(const DrircHome &) = delete;
    DrircHome &operator=(const DrircHome &) = delete;

    const TempDir &dir() const { return dir_; }
    std::string drirc() const { return dir_.file(".drirc"); }
    bool glxinfoLists(const std::string &extension) const
    {
        return commandOutput("HOME='" + dir_.path() + "' glxinfo 2>/dev/null").find(extension) !=
               std::string::npos;
    }

private:
    std::string oldHome_ = std::getenv("HOME") ? std::getenv("HOME") : "/";
    TempDir dir_;
};

#endif
