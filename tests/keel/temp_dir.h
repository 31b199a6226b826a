// A private temporary folder for one test, removed with everything in it.
#ifndef TESTS_KEEL_TEMP_DIR_H
#define TESTS_KEEL_TEMP_DIR_H

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TempDir {
public:
    TempDir()
    {
        const char *tmp = getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/keel-test-XXXXXX";
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

    std::string write(const std::string &name, const std::string &content) const
    {
        std::string p = file(name);
        std::ofstream out(p, std::ios::binary);
        out << content;
        return p;
    }

private:
    std::string path_;
};

inline std::string readWhole(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#endif
