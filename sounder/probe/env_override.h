/* Environment variables set for one reading and put back afterwards: the
 * software rasteriser is chosen through variables that glvnd and Mesa read
 * at the first window-system request. */
#ifndef SOUNDER_PROBE_ENV_OVERRIDE_H
#define SOUNDER_PROBE_ENV_OVERRIDE_H

#include <stdlib.h>

#include <string>
#include <vector>

namespace sounder {

/* Saves and sets environment variables; restore() (or the destructor) puts
 * the previous values back, or removes what was not set. */
class EnvOverride {
public:
    void set(const char *name, const char *value)
    {
        save(name);
        setenv(name, value, 1);
    }
    void unset(const char *name)
    {
        save(name);
        unsetenv(name);
    }
    void restore()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->had)
                setenv(it->name.c_str(), it->value.c_str(), 1);
            else
                unsetenv(it->name.c_str());
        }
        saved_.clear();
    }
    ~EnvOverride() { restore(); }

private:
    void save(const char *name)
    {
        const char *old = getenv(name);
        saved_.push_back({name, old != nullptr, old ? old : ""});
    }
    struct Saved {
        std::string name;
        bool had;
        std::string value;
    };
    std::vector<Saved> saved_;
};

} // namespace sounder

#endif
