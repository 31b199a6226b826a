// A private temporary folder for one test, removed with everything in it,
// and whole-file reading and writing.
#ifndef TESTS_SUPPORT_TEMP_DIR_H
#define TESTS_SUPPORT_TEMP_DIR_H

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TempDir {
public:
    // Made under $TMPDIR (else /tmp); path() is empty when that failed.
    TempDir()
    {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tessera-test-XXXXXX";
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

    // Writes content to the file name in the folder; returns its path.
    std::string write(const std::string &name, const std::string &content) const
    {
        std::string p = file(name);
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out << content;
        return p;
    }

    // Makes the sub-folder name (if missing); returns its path.
    std::string sub(const std::string &name) const
    {
        std::string p = file(name);
        mkdir(p.c_str(), 0755);
        return p;
    }

    // Names of the entries in the folder itself (not below).
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(path_, ec), end; !ec && it != end;
             it.increment(ec))
            names.push_back(it->path().filename().string());
        return names;
    }
    int count() const { return static_cast<int>(entries().size()); }

private:
    std::string path_;
};

// The whole content of a file; empty when it cannot be read.
inline std::string readWhole(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file's content with content.
inline void writeWhole(const std::string &path, const std::string &content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

#endif
