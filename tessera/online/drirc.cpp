/* Driver switches in Mesa's driver configuration files.  The files are
 * edited by splicing at the offsets a small well-formedness scanner
 * records, so every byte outside the changed value stays as it was. */
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "drirc.h"

namespace tessera {
namespace tweak {

namespace {

struct Attribute {
    std::string value; /* raw, entities not decoded */
    size_t begin = 0;  /* offsets of the value between its quotes */
    size_t end = 0;
};

struct Element {
    std::string name;
    std::map<std::string, Attribute> attributes;
    int parent = -1;
    size_t start = 0;      /* '<' */
    size_t openEnd = 0;    /* after the start tag's '>' */
    size_t closeStart = 0; /* '<' of the end tag; for a self-closing tag, its "/>" */
    bool selfClosing = false;
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameChar(char c)
{
    return !isSpace(c) && c != '<' && c != '>' && c != '/' && c != '=' && c != '"' && c != '\'' &&
           c != '\0';
}

/* Scans a document; false when it is not well formed (unclosed or
 * mismatched tags, broken attributes, text outside the root, a second
 * root). */
bool scan(const std::string &t, std::vector<Element> &out)
{
    out.clear();
    std::vector<int> stack;
    bool rootSeen = false;
    size_t i = 0;
    const size_t n = t.size();
    while (i < n) {
        if (t[i] != '<') {
            if (stack.empty() && !isSpace(t[i]) &&
                !(i == 0 && t.compare(0, 3, "\xEF\xBB\xBF") == 0))
                return false;
            if (i == 0 && t.compare(0, 3, "\xEF\xBB\xBF") == 0)
                i += 3;
            else
                ++i;
            continue;
        }
        if (t.compare(i, 4, "<!--") == 0) {
            const size_t e = t.find("-->", i + 4);
            if (e == std::string::npos)
                return false;
            i = e + 3;
        } else if (t.compare(i, 9, "<![CDATA[") == 0) {
            const size_t e = t.find("]]>", i + 9);
            if (e == std::string::npos || stack.empty())
                return false;
            i = e + 3;
        } else if (t.compare(i, 2, "<?") == 0) {
            const size_t e = t.find("?>", i + 2);
            if (e == std::string::npos)
                return false;
            i = e + 2;
        } else if (t.compare(i, 2, "<!") == 0) {
            const size_t e = t.find('>', i + 2);
            if (e == std::string::npos || t.find('[', i) < e || rootSeen)
                return false;
            i = e + 1;
        } else if (t.compare(i, 2, "</") == 0) {
            size_t j = i + 2;
            while (j < n && isNameChar(t[j]))
                ++j;
            const std::string name = t.substr(i + 2, j - i - 2);
            while (j < n && isSpace(t[j]))
                ++j;
            if (j >= n || t[j] != '>' || stack.empty() || out[stack.back()].name != name)
                return false;
            out[stack.back()].closeStart = i;
            stack.pop_back();
            i = j + 1;
        } else {
            Element e;
            e.start = i;
            size_t j = i + 1;
            while (j < n && isNameChar(t[j]))
                ++j;
            e.name = t.substr(i + 1, j - i - 1);
            if (e.name.empty() || (stack.empty() && rootSeen))
                return false;
            for (;;) {
                const size_t before = j;
                while (j < n && isSpace(t[j]))
                    ++j;
                if (j >= n)
                    return false;
                if (t[j] == '>' || t.compare(j, 2, "/>") == 0)
                    break;
                if (j == before)
                    return false; /* attributes need white space before them */
                size_t k = j;
                while (k < n && isNameChar(t[k]))
                    ++k;
                if (k == j)
                    return false;
                const std::string attribute = t.substr(j, k - j);
                while (k < n && isSpace(t[k]))
                    ++k;
                if (k >= n || t[k] != '=')
                    return false;
                ++k;
                while (k < n && isSpace(t[k]))
                    ++k;
                if (k >= n || (t[k] != '"' && t[k] != '\''))
                    return false;
                const size_t close = t.find(t[k], k + 1);
                if (close == std::string::npos || t.find('<', k + 1) < close ||
                    e.attributes.count(attribute))
                    return false;
                Attribute a;
                a.begin = k + 1;
                a.end = close;
                a.value = t.substr(a.begin, a.end - a.begin);
                e.attributes[attribute] = a;
                j = close + 1;
            }
            e.parent = stack.empty() ? -1 : stack.back();
            rootSeen = true;
            if (t[j] == '/') {
                e.selfClosing = true;
                e.closeStart = j;
                e.openEnd = j + 2;
                out.push_back(e);
                i = j + 2;
            } else {
                e.openEnd = j + 1;
                out.push_back(e);
                stack.push_back(static_cast<int>(out.size()) - 1);
                i = j + 1;
            }
        }
    }
    return rootSeen && stack.empty();
}

std::string decode(const std::string &raw)
{
    static const struct {
        const char *entity;
        char c;
    } table[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < raw.size();) {
        bool matched = false;
        if (raw[i] == '&')
            for (const auto &e : table)
                if (raw.compare(i, std::strlen(e.entity), e.entity) == 0) {
                    out += e.c;
                    i += std::strlen(e.entity);
                    matched = true;
                    break;
                }
        if (!matched)
            out += raw[i++];
    }
    return out;
}

std::string escape(const std::string &text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

bool has(const Element &e, const char *attribute)
{
    return e.attributes.count(attribute) != 0;
}

std::string attributeOf(const Element &e, const char *attribute)
{
    const auto it = e.attributes.find(attribute);
    return it == e.attributes.end() ? std::string() : decode(it->second.value);
}

/* An application that applies to every program. */
bool unconditional(const Element &e)
{
    return e.name == "application" && !has(e, "executable") && !has(e, "executable_regexp") &&
           !has(e, "sha1") && !has(e, "application_name_match") && !has(e, "application_versions");
}

bool deviceMatches(const Element &e, const std::string &driver)
{
    if (e.name != "device")
        return false;
    return driver.empty() ? !has(e, "driver")
                          : has(e, "driver") && attributeOf(e, "driver") == driver;
}

struct Match {
    int option = -1;      /* the last matching option */
    int application = -1; /* the last matching application */
    int root = -1;
};

Match find(const std::vector<Element> &elements, const std::string &driver,
           const std::string &option)
{
    Match m;
    for (size_t i = 0; i < elements.size(); ++i) {
        const Element &e = elements[i];
        if (e.parent < 0) {
            m.root = static_cast<int>(i);
            continue;
        }
        const Element &parent = elements[static_cast<size_t>(e.parent)];
        if (e.name == "application" && unconditional(e) && deviceMatches(parent, driver) &&
            parent.parent == m.root)
            m.application = static_cast<int>(i);
        if (e.name == "option" && attributeOf(e, "name") == option && unconditional(parent) &&
            parent.parent >= 0 &&
            deviceMatches(elements[static_cast<size_t>(parent.parent)], driver) &&
            elements[static_cast<size_t>(parent.parent)].parent == m.root)
            m.option = static_cast<int>(i);
    }
    return m;
}

/* The white space that starts the line holding offset at. */
std::string indentAt(const std::string &t, size_t at)
{
    size_t begin = t.rfind('\n', at == 0 ? 0 : at - 1);
    begin = begin == std::string::npos ? 0 : begin + 1;
    size_t end = begin;
    while (end < at && (t[end] == ' ' || t[end] == '\t'))
        ++end;
    return t.substr(begin, end - begin);
}

/* Inserts block (lines without their outer indentation) as the last child
 * of element e. */
std::string insertChild(const std::string &t, const Element &e, const std::string &block)
{
    const std::string indent = indentAt(t, e.start);
    std::string lines;
    std::istringstream in(block);
    for (std::string line; std::getline(in, line);)
        lines += indent + "    " + line + "\n";
    if (e.selfClosing)
        return t.substr(0, e.closeStart) + ">\n" + lines + indent + "</" + e.name + ">" +
               t.substr(e.openEnd);
    /* Before the end tag; when the end tag starts its own line, the new
     * lines go before that line. */
    size_t at = e.closeStart;
    size_t lineStart = at;
    while (lineStart > e.openEnd && (t[lineStart - 1] == ' ' || t[lineStart - 1] == '\t'))
        --lineStart;
    if (lineStart > e.openEnd && t[lineStart - 1] == '\n')
        return t.substr(0, lineStart) + lines + t.substr(lineStart);
    return t.substr(0, at) + "\n" + lines + indent + t.substr(at);
}

std::string optionLine(const std::string &option, bool value)
{
    return "<option name=\"" + escape(option) + "\" value=\"" + (value ? "true" : "false") +
           "\" />";
}

std::string deviceBlock(const std::string &driver, const std::string &option, bool value)
{
    const std::string device =
        driver.empty() ? "<device>" : "<device driver=\"" + escape(driver) + "\">";
    return device + "\n    <application name=\"Default\">\n        " + optionLine(option, value) +
           "\n    </application>\n</device>\n";
}

struct Cached {
    struct timespec mtime {};
    off_t size = 0;
    ino_t inode = 0;
    bool parsed = false;
    std::string text;
    std::vector<Element> elements;
};

std::map<std::string, Cached> &cache()
{
    static std::map<std::string, Cached> c;
    return c;
}

/* The file's text and scan through the mtime cache; false when the file
 * cannot be read (errnoOut tells why). */
const Cached *load(const std::string &file, int &errnoOut)
{
    struct stat st;
    if (::stat(file.c_str(), &st) != 0) {
        errnoOut = errno;
        cache().erase(file);
        return nullptr;
    }
    auto it = cache().find(file);
    if (it != cache().end() && it->second.mtime.tv_sec == st.st_mtim.tv_sec &&
        it->second.mtime.tv_nsec == st.st_mtim.tv_nsec && it->second.size == st.st_size &&
        it->second.inode == st.st_ino)
        return &it->second;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        errnoOut = EACCES;
        return nullptr;
    }
    std::ostringstream s;
    s << in.rdbuf();
    Cached c;
    c.mtime = st.st_mtim;
    c.size = st.st_size;
    c.inode = st.st_ino;
    c.text = s.str();
    c.parsed = scan(c.text, c.elements) && c.elements[0].name == "driconf";
    Cached &slot = cache()[file];
    slot = std::move(c);
    return &slot;
}

/* Writes text to file atomically: a temporary file beside the real target
 * (a symbolic link is followed, so the link stays a link), the old mode,
 * fsync, rename. */
bool writeAtomically(const std::string &file, const std::string &text)
{
    std::string target = file;
    char resolved[PATH_MAX];
    if (::realpath(file.c_str(), resolved))
        target = resolved;
    mode_t mode = 0644;
    struct stat st;
    const bool existed = ::stat(target.c_str(), &st) == 0;
    if (existed)
        mode = st.st_mode & 07777;
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
    std::string temp = folder + "/.drirc-XXXXXX";
    const int fd = ::mkstemp(&temp[0]);
    if (fd < 0)
        return false;
    bool ok = true;
    size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t w = ::write(fd, text.data() + done, text.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        ok = w > 0;
        if (ok)
            done += static_cast<size_t>(w);
    }
    if (!existed) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ok = ok && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

Root rootOf(const std::string &text)
{
    static const struct {
        const char *name;
        Root root;
    } table[] = {{"HKCU", Root::User},
                 {"HKLM", Root::Machine},
                 {"HKEY_CURRENT_USER", Root::User},
                 {"HKEY_LOCAL_MACHINE", Root::Machine}};
    for (const auto &r : table)
        if (::strcasecmp(text.c_str(), r.name) == 0)
            return r.root;
    return Root::None;
}

} // namespace

std::vector<Entry> readTweakFile(const std::string &path)
{
    std::vector<Entry> entries;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    const std::string t = s.str();
    std::vector<Element> elements;
    if (t.empty() || !scan(t, elements))
        return entries;
    static const char *const languages[6] = {"en", "fr", "cz", "ua", "nl", "de"};
    std::vector<int> owner(elements.size(), -1); /* entry index of each extension */
    for (size_t i = 0; i < elements.size(); ++i) {
        const Element &e = elements[i];
        if (e.name == "extension" && !e.attributes.empty()) {
            Entry entry;
            entry.vendor = attributeOf(e, "vendor").substr(0, 255);
            entry.name = attributeOf(e, "name").substr(0, 255);
            entries.push_back(entry);
            owner[i] = static_cast<int>(entries.size()) - 1;
            continue;
        }
        if (e.parent < 0 || owner[static_cast<size_t>(e.parent)] < 0 || e.selfClosing)
            continue;
        Entry &entry = entries[static_cast<size_t>(owner[static_cast<size_t>(e.parent)])];
        const std::string text = decode(t.substr(e.openEnd, e.closeStart - e.openEnd));
        if (e.name == "hkey")
            entry.root = rootOf(text);
        else if (e.name == "path")
            entry.path = text;
        else if (e.name == "key")
            entry.key = text;
        for (int l = 0; l < 6; ++l)
            if (e.name == languages[l])
                entry.description[l] = text.substr(0, 259);
    }
    return entries;
}

std::string configPath(Root root)
{
    if (root == Root::User) {
        const char *home = std::getenv("HOME");
        return std::string(home && *home ? home : "") + "/.drirc";
    }
    if (root == Root::Machine) {
        const char *system = std::getenv("TESSERA_SYSTEM_DRIRC");
        return system && *system ? system : "/etc/drirc";
    }
    return std::string();
}

int readOption(const std::string &file, const std::string &driver, const std::string &option)
{
    int error = 0;
    const Cached *c = load(file, error);
    if (!c || !c->parsed)
        return 0;
    const Match m = find(c->elements, driver, option);
    if (m.option < 0)
        return 0;
    return attributeOf(c->elements[static_cast<size_t>(m.option)], "value") == "true" ? 1 : 0;
}

bool writeOption(const std::string &file, const std::string &driver, const std::string &option,
                 bool value)
{
    if (file.empty() || option.empty())
        return false;
    int error = 0;
    const Cached *c = load(file, error);
    std::string text;
    if (!c) {
        if (error != ENOENT)
            return false;
        text = "<?xml version=\"1.0\" standalone=\"yes\"?>\n<driconf>\n" + std::string() +
               "</driconf>\n";
        std::vector<Element> elements;
        scan(text, elements);
        text = insertChild(text, elements[0], deviceBlock(driver, option, value));
    } else {
        if (!c->parsed)
            return false; /* never rewrite what could not be read */
        const Match m = find(c->elements, driver, option);
        const std::string v = value ? "true" : "false";
        if (m.option >= 0) {
            const Element &o = c->elements[static_cast<size_t>(m.option)];
            const auto it = o.attributes.find("value");
            if (it != o.attributes.end())
                text = c->text.substr(0, it->second.begin) + v + c->text.substr(it->second.end);
            else {
                const size_t at = o.selfClosing ? o.closeStart : o.openEnd - 1;
                text = c->text.substr(0, at) + " value=\"" + v + "\"" + c->text.substr(at);
            }
        } else if (m.application >= 0) {
            text = insertChild(c->text, c->elements[static_cast<size_t>(m.application)],
                               optionLine(option, value));
        } else {
            text = insertChild(c->text, c->elements[static_cast<size_t>(m.root)],
                               deviceBlock(driver, option, value));
        }
    }
    cache().erase(file);
    return writeAtomically(file, text);
}

int readEntry(Entry &entry)
{
    if (entry.root == Root::None)
        return entry.value = 0;
    entry.value = readOption(configPath(entry.root), entry.path, entry.key);
    return entry.value;
}

bool toggleEntry(Entry &entry)
{
    if (entry.root == Root::None)
        return false;
    const int next = 1 - readEntry(entry);
    if (!writeOption(configPath(entry.root), entry.path, entry.key, next != 0))
        return false;
    entry.value = next;
    return true;
}

} // namespace tweak
} // namespace tessera
