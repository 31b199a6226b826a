#include "glxinfo_oracle.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <sstream>

#include "support/command.h"

namespace {

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        out.push_back(line);
    return out;
}

bool startsWith(const std::string &s, const std::string &prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::string after(const std::string &s, const std::string &prefix)
{
    return s.substr(prefix.size());
}

// Collects the indented list that follows line i.
std::set<std::string> listAfter(const std::vector<std::string> &ls, size_t i)
{
    std::string joined;
    for (size_t j = i + 1; j < ls.size() && startsWith(ls[j], "    "); ++j)
        joined += ls[j] + " ";
    return splitWords(joined);
}

std::vector<std::string> tokens(const std::string &line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    std::string t;
    while (in >> t)
        out.push_back(t);
    return out;
}

// Xvfb resets itself whenever its last client leaves and refuses
// connections meanwhile; one connection held for the whole run keeps the
// server (and glxinfo's view of it) steady between readings.
class HoldDisplay : public ::testing::Environment {
public:
    void SetUp() override
    {
        for (int i = 0; i < 40 && !dpy_; ++i) {
            dpy_ = XOpenDisplay(nullptr);
            if (!dpy_)
                usleep(50 * 1000);
        }
    }
    void TearDown() override
    {
        if (dpy_)
            XCloseDisplay(dpy_);
        dpy_ = nullptr;
    }

private:
    Display *dpy_ = nullptr;
};

::testing::Environment *const g_holdDisplay = ::testing::AddGlobalTestEnvironment(new HoldDisplay);

// The limit lines after line i ("    NAME = v[, v]" under "  section:"
// lines) as "section/NAME" and, for the first of each, plain "NAME".
void parseLimits(const std::vector<std::string> &ls, size_t i,
                 std::map<std::string, std::vector<double>> &limits)
{
    std::string section;
    for (size_t j = i + 1; j < ls.size(); ++j) {
        const std::string &l = ls[j];
        if (startsWith(l, "  ") && !startsWith(l, "    ") && l.back() == ':') {
            section = l.substr(2, l.size() - 3);
            continue;
        }
        if (!startsWith(l, "    "))
            break;
        size_t eq = l.find(" = ");
        if (eq == std::string::npos)
            continue;
        std::string name = l.substr(4, eq - 4);
        std::vector<double> values;
        std::string rest = l.substr(eq + 3);
        std::istringstream in(rest);
        std::string part;
        while (std::getline(in, part, ','))
            values.push_back(atof(part.c_str()));
        limits[section + "/" + name] = values;
        if (!limits.count(name))
            limits[name] = values;
    }
}

} // namespace

std::set<std::string> splitWords(const std::string &list)
{
    std::set<std::string> out;
    std::string word;
    for (char c : list) {
        if (c == ' ' || c == ',' || c == '\n' || c == '\t') {
            if (!word.empty())
                out.insert(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        out.insert(word);
    return out;
}

GlxinfoReport runGlxinfo(bool softpipe)
{
    GlxinfoReport r;
    std::string env =
        softpipe
            ? "env __GLX_VENDOR_LIBRARY_NAME=mesa LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=softpipe "
            : "";
    std::string text = commandOutput(env + "glxinfo -l -t 2>/dev/null");
    std::vector<std::string> ls = lines(text);

    size_t compat = ls.size();
    for (size_t i = 0; i < ls.size(); ++i)
        if (startsWith(ls[i], "OpenGL version string: ")) {
            compat = i;
            r.version = after(ls[i], "OpenGL version string: ");
            break;
        }
    if (compat == ls.size())
        return r;
    for (size_t i = 0; i < compat; ++i) {
        if (startsWith(ls[i], "OpenGL core profile version string: "))
            r.coreVersion = after(ls[i], "OpenGL core profile version string: ");
        if (ls[i] == "OpenGL core profile limits:")
            parseLimits(ls, i, r.coreLimits);
        if (startsWith(ls[i], "OpenGL vendor string: "))
            r.vendor = after(ls[i], "OpenGL vendor string: ");
        if (startsWith(ls[i], "OpenGL renderer string: "))
            r.renderer = after(ls[i], "OpenGL renderer string: ");
        if (ls[i] == "GLX extensions:")
            r.glxExtensions = listAfter(ls, i);
        if (startsWith(ls[i], "    Video memory: "))
            r.videoMemoryMB = atoi(after(ls[i], "    Video memory: ").c_str());
    }
    size_t i = compat + 1;
    for (; i < ls.size() && !startsWith(ls[i], "OpenGL ES profile"); ++i) {
        if (startsWith(ls[i], "OpenGL shading language version string: "))
            r.glslVersion = after(ls[i], "OpenGL shading language version string: ");
        if (ls[i] == "OpenGL extensions:")
            r.glExtensions = listAfter(ls, i);
        if (ls[i] == "OpenGL limits:")
            parseLimits(ls, i, r.limits);
    }
    for (; i < ls.size(); ++i) {
        size_t pos = ls[i].find(" GLXFBConfigs:");
        if (pos == std::string::npos)
            continue;
        r.fbconfigCount = atoi(ls[i].c_str());
        // three header lines, then one row per config; columns are read from
        // the right because a short visual id splits into two words.
        for (size_t j = i + 4; j < ls.size(); ++j) {
            std::vector<std::string> t = tokens(ls[j]);
            if (t.size() < 22)
                break;
            size_t n = t.size();
            GlxinfoConfig c;
            c.slow = t[n - 1] == "Slow";
            c.samples = atoi(t[n - 4].c_str());
            c.accum = atoi(t[n - 5].c_str()) + atoi(t[n - 6].c_str()) + atoi(t[n - 7].c_str()) +
                      atoi(t[n - 8].c_str());
            c.stencil = atoi(t[n - 9].c_str());
            c.depth = atoi(t[n - 10].c_str());
            c.stereo = atoi(t[n - 18].c_str());
            c.doubleBuffer = atoi(t[n - 19].c_str());
            c.bufferSize = atoi(t[n - 22].c_str());
            r.fbconfigs.push_back(c);
        }
        break;
    }
    r.ok = !r.renderer.empty() && !r.glExtensions.empty();
    return r;
}
