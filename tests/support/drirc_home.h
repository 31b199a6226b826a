// A temporary HOME for driver-switch tests: ~/.drirc lives there while the
// object does, the previous HOME comes back afterwards, and glxinfo can be
// asked, with that HOME, whether the driver still lists an extension.
#ifndef TESTS_SUPPORT_DRIRC_HOME_H
#define TESTS_SUPPORT_DRIRC_HOME_H

#include <cstdlib>
#include <string>

#include "support/command.h"
#include "support/temp_dir.h"

class DrircHome {
public:
    DrircHome()
    {
        const char *old = std::getenv("HOME");
        hadHome_ = old != nullptr;
        oldHome_ = old ? old : "";
        setenv("HOME", dir_.path().c_str(), 1);
    }
    ~DrircHome()
    {
        if (hadHome_)
            setenv("HOME", oldHome_.c_str(), 1);
        else
            unsetenv("HOME");
    }
    DrircHome(const DrircHome &) = delete;
    DrircHome &operator=(const DrircHome &) = delete;

    const TempDir &dir() const { return dir_; }
    std::string drirc() const { return dir_.file(".drirc"); }

    // Whether a fresh glxinfo on $DISPLAY, reading this HOME's .drirc,
    // lists the extension.
    bool glxinfoLists(const std::string &extension) const
    {
        return commandOutput("HOME='" + dir_.path() + "' glxinfo 2>/dev/null").find(extension) !=
               std::string::npos;
    }

private:
    TempDir dir_;
    std::string oldHome_;
    bool hadHome_ = false;
};

#endif
