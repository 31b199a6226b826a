/* The installed-driver list: the real glvnd vendor libraries of this machine
 * against the package database, and the reader on folders of our own. */
#include <gtest/gtest.h>

#include "probe/icd_reader.h"
#include "sounder/system.h"
#include "support/command.h"
#include "support/temp_dir.h"
#include "support/xvfb.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The command's output without its trailing line end and blanks.
std::string shellOutput(const std::string &command)
{
    std::string out = commandOutput(command);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

bool haveDpkg()
{
    return access("/usr/bin/dpkg-query", X_OK) == 0;
}

const tsIcdEntry *findEntry(const tsIcdList &list, const char *name)
{
    for (int i = 0; i < list.count; ++i)
        if (std::strcmp(list.entries[i].name, name) == 0)
            return &list.entries[i];
    return nullptr;
}

std::string vendorJson(const std::string &libraryPath)
{
    return "{\n    \"file_format_version\" : \"1.0.0\",\n    \"ICD\" : {\n        \"library_path\" "
           ": \"" +
           libraryPath + "\"\n    }\n}\n";
}

} // namespace

TEST(IcdList, MachineListsMesaVendorLibraryWithPackageFacts)
{
    if (!haveDpkg())
        GTEST_SKIP() << "no package database on this machine";
    tsIcdList list;
    std::memset(&list, 0x5A, sizeof list);
    ASSERT_EQ(tsInfoGetICD(&list), 1);
    ASSERT_GE(list.count, 1);
    ASSERT_LE(list.count, 16);

    const tsIcdEntry *egl = findEntry(list, "libEGL_mesa.so.0");
    ASSERT_NE(egl, nullptr) << "the Mesa EGL vendor library is installed here";
    ASSERT_EQ(egl->path[0], '/');
    struct stat st;
    EXPECT_EQ(stat(egl->path, &st), 0);

    /* What the package database says about the same file. */
    std::string owner = shellOutput(std::string("dpkg-query -S '") + egl->path +
                                    "' 2>/dev/null | head -n1 | sed 's/: \\/.*//'");
    ASSERT_FALSE(owner.empty());
    std::string version = shellOutput("dpkg-query -W -f='${Version}' '" + owner + "'");
    std::string maintainer =
        shellOutput("dpkg-query -W -f='${Maintainer}' '" + owner + "' | sed 's/ *<.*//'");
    EXPECT_EQ(std::string(egl->version), version);
    EXPECT_EQ(std::string(egl->company), maintainer);
    EXPECT_NE(std::string(egl->description).find("EGL"), std::string::npos) << egl->description;

    /* Every entry the package database knows carries exactly what
     * dpkg-query answers for its file. */
    for (int i = 0; i < list.count; ++i) {
        const tsIcdEntry &e = list.entries[i];
        const std::string pkg = shellOutput(std::string("dpkg-query -S '") + e.path +
                                            "' 2>/dev/null | head -n1 | sed 's/: \\/.*//'");
        if (pkg.empty()) {
            EXPECT_STREQ(e.company, "") << e.path;
            continue;
        }
        EXPECT_EQ(std::string(e.version),
                  shellOutput("dpkg-query -W -f='${Version}' '" + pkg + "'"))
            << e.path;
        std::string summary = shellOutput("dpkg-query -W -f='${binary:Summary}' '" + pkg + "'");
        const std::string company = e.company;
        const size_t at = company.empty() ? std::string::npos : summary.find(company);
        if (at != std::string::npos)
            summary = summary.substr(at + company.size());
        EXPECT_EQ(std::string(e.description), summary) << e.path;
    }

    /* The GLX vendor library is listed under its own name, its indirect
     * alias is not listed a second time. */
    const tsIcdEntry *glx = findEntry(list, "libGLX_mesa.so.0");
    ASSERT_NE(glx, nullptr);
    EXPECT_EQ(std::string(glx->version), version);
    EXPECT_EQ(findEntry(list, "libGLX_indirect.so.0"), nullptr);

    /* Every text is terminated inside its field; nothing of the fill pattern
     * leaks into entries past count. */
    for (int i = 0; i < list.count; ++i) {
        const tsIcdEntry &e = list.entries[i];
        for (const char *field : {e.name, e.path, e.company, e.description, e.version})
            EXPECT_LT(strnlen(field, 260), 260u);
        EXPECT_LE(std::strlen(e.name), 31u);
    }
    for (int i = list.count; i < 16; ++i)
        EXPECT_EQ(list.entries[i].name[0], '\0');
}

TEST(IcdList, WithoutPackageDatabaseVersionComesFromFileName)
{
    /* A package database folder without files (a test root): the entries
     * stay, with the file's version suffix and no company. */
    TempDir dir;
    ScopedEnv admin("DPKG_ADMINDIR", dir.path().c_str());
    tsIcdList list;
    ASSERT_EQ(tsInfoGetICD(&list), 1);
    const tsIcdEntry *glx = findEntry(list, "libGLX_mesa.so.0");
    ASSERT_NE(glx, nullptr);
    std::string real = glx->path;
    std::string suffix = real.substr(real.find(".so.") + 4);
    EXPECT_EQ(std::string(glx->version), suffix);
    EXPECT_STREQ(glx->company, "");
    EXPECT_STREQ(glx->description, "GLX vendor library");
}

TEST(IcdList, NoHelperProgramIsRunFromPath)
{
    if (!haveDpkg())
        GTEST_SKIP() << "no package database on this machine";
    tsIcdList plain;
    ASSERT_EQ(tsInfoGetICD(&plain), 1);

    /* A dpkg-query planted first in PATH that would claim every file and
     * leave a trace: the list stays the same and the planted one never
     * runs. */
    TempDir dir;
    const std::string trace = dir.file("ran");
    dir.write("dpkg-query", "#!/bin/sh\ntouch '" + trace +
                                "'\necho 'evil: /x'\necho 'Planted <p@x>'\necho 9.9\n");
    chmod(dir.file("dpkg-query").c_str(), 0755);
    const std::string path = dir.path() + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
    ScopedEnv env("PATH", path.c_str());
    tsIcdList planted;
    ASSERT_EQ(tsInfoGetICD(&planted), 1);
    EXPECT_EQ(std::memcmp(&plain, &planted, sizeof plain), 0);
    EXPECT_NE(access(trace.c_str(), F_OK), 0);
}

TEST(IcdList, NullListAndMissingFolders)
{
    EXPECT_EQ(tsInfoGetICD(nullptr), 0);
    sounder::IcdSearch search;
    search.eglVendorDirs = {"/nonexistent/egl_vendor.d"};
    search.libraryDirs = {"/nonexistent/lib"};
    tsIcdList list;
    std::memset(&list, 0x5A, sizeof list);
    EXPECT_EQ(sounder::readIcdList(search, &list), 0);
    EXPECT_EQ(list.count, 0);
}

class IcdFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(tmp.path().empty());
        vendors = tmp.sub("egl_vendor.d");
        libs = tmp.sub("lib");
        search.eglVendorDirs = {vendors};
        search.libraryDirs = {libs};
        search.usePackageDatabase = false;
    }
    std::string makeLibrary(const std::string &name)
    {
        std::string p = libs + "/" + name;
        writeWhole(p, "\x7f"
                      "ELF not really");
        return p;
    }
    TempDir tmp;
    std::string vendors, libs;
    sounder::IcdSearch search;
};

TEST_F(IcdFixture, SeventeenVendorFilesGiveSixteenEntriesInFileOrder)
{
    for (int i = 0; i < 17; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "libEGL_vendor%02d.so.0", i);
        std::string lib = makeLibrary(name);
        char file[64];
        std::snprintf(file, sizeof file, "%02d_vendor.json", i);
        writeWhole(vendors + "/" + file, vendorJson(lib));
    }
    tsIcdList list;
    ASSERT_EQ(sounder::readIcdList(search, &list), 1);
    ASSERT_EQ(list.count, 16);
    for (int i = 0; i < 16; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "libEGL_vendor%02d.so.0", i);
        EXPECT_STREQ(list.entries[i].name, name);
        EXPECT_STREQ(list.entries[i].version, "0");
    }
}

TEST_F(IcdFixture, LongNameSkippedLaterEntriesListed)
{
    std::string longName = "libEGL_" + std::string(28, 'x') + ".so.0";
    ASSERT_EQ(longName.size(), 40u);
    std::string edge = "libEGL_" + std::string(19, 'y') + ".so.0"; /* exactly 31 */
    ASSERT_EQ(edge.size(), 31u);
    writeWhole(vendors + "/10_first.json", vendorJson(makeLibrary("libEGL_first.so.1")));
    writeWhole(vendors + "/20_long.json", vendorJson(makeLibrary(longName)));
    writeWhole(vendors + "/30_edge.json", vendorJson(makeLibrary(edge)));
    writeWhole(vendors + "/40_last.json", vendorJson(makeLibrary("libEGL_last.so.2.5")));
    tsIcdList list;
    ASSERT_EQ(sounder::readIcdList(search, &list), 1);
    ASSERT_EQ(list.count, 3);
    EXPECT_STREQ(list.entries[0].name, "libEGL_first.so.1");
    EXPECT_STREQ(list.entries[1].name, edge.c_str());
    EXPECT_STREQ(list.entries[2].name, "libEGL_last.so.2.5");
    EXPECT_STREQ(list.entries[2].version, "2.5");
}

TEST_F(IcdFixture, BrokenAndHostileVendorFilesAreSkipped)
{
    std::string good = makeLibrary("libEGL_good.so.0");
    writeWhole(vendors + "/01_truncated.json", vendorJson(good).substr(0, 60));
    writeWhole(vendors + "/02_binary.json", std::string("\0\xff\xfe{\"ICD\"", 10));
    writeWhole(vendors + "/03_no_icd.json", "{\"library_path\": \"" + good + "\"}");
    writeWhole(vendors + "/04_number.json", "{\"ICD\": {\"library_path\": 42}}");
    writeWhole(vendors + "/05_trailing.json", vendorJson(good) + "garbage");
    writeWhole(vendors + "/06_deep.json",
               "{\"a\": " + std::string(100000, '[') + std::string(100000, ']') + "}");
    writeWhole(vendors + "/07_deep_object.json", "{\"ICD\": " + std::string(50000, '[') + "}");
    writeWhole(vendors + "/08_empty.json", "");
    writeWhole(vendors + "/09_nul_escape.json",
               "{\"ICD\": {\"library_path\": \"" + good + "\\u0000x\"}}");
    writeWhole(vendors + "/10_missing_library.json", vendorJson(libs + "/libEGL_gone.so.0"));
    writeWhole(vendors + "/11_not_json.txt", vendorJson(good));
    mkdir((vendors + "/12_folder.json").c_str(), 0755);
    ASSERT_EQ(mkfifo((vendors + "/13_fifo.json").c_str(), 0644), 0); /* must not block */
    writeWhole(vendors + "/14_huge.json", "{\"ICD\": {\"library_path\": \"" + good +
                                              "\"}, \"pad\": \"" + std::string(200000, 'p') +
                                              "\"}");
    writeWhole(vendors + "/50_good.json", vendorJson(good));
    tsIcdList list;
    ASSERT_EQ(sounder::readIcdList(search, &list), 1);
    ASSERT_EQ(list.count, 1);
    EXPECT_STREQ(list.entries[0].name, "libEGL_good.so.0");
}

TEST_F(IcdFixture, LibraryPathFormsAndGlxVendors)
{
    /* A bare name is looked up on the library folders; a relative path is
     * taken relative to the vendor file's folder; links are resolved. */
    makeLibrary("libEGL_bare.so.0.3.1");
    ASSERT_EQ(symlink("libEGL_bare.so.0.3.1", (libs + "/libEGL_bare.so.0").c_str()), 0);
    writeWhole(vendors + "/10_bare.json", vendorJson("libEGL_bare.so.0"));
    writeWhole(vendors + "/20_relative.json", vendorJson("../lib/libEGL_rel.so.0"));
    makeLibrary("libEGL_rel.so.0");
    /* The same library named twice is listed once. */
    writeWhole(vendors + "/30_again.json", vendorJson(libs + "/libEGL_bare.so.0.3.1"));

    makeLibrary("libGLX_alpha.so.0.0.0");
    ASSERT_EQ(symlink("libGLX_alpha.so.0.0.0", (libs + "/libGLX_alpha.so.0").c_str()), 0);
    ASSERT_EQ(symlink("libGLX_alpha.so.0", (libs + "/libGLX_indirect.so.0").c_str()), 0);
    makeLibrary("libGLX_beta.so.0");
    makeLibrary("libGLX_gamma.so.1"); /* not a glvnd vendor name */

    tsIcdList list;
    ASSERT_EQ(sounder::readIcdList(search, &list), 1);
    ASSERT_EQ(list.count, 4);
    EXPECT_STREQ(list.entries[0].name, "libEGL_bare.so.0");
    EXPECT_EQ(std::string(list.entries[0].path), libs + "/libEGL_bare.so.0.3.1");
    EXPECT_STREQ(list.entries[0].version, "0.3.1");
    EXPECT_STREQ(list.entries[1].name, "libEGL_rel.so.0");
    EXPECT_EQ(std::string(list.entries[1].path), libs + "/libEGL_rel.so.0");
    EXPECT_STREQ(list.entries[2].name, "libGLX_alpha.so.0");
    EXPECT_STREQ(list.entries[2].version, "0.0.0");
    EXPECT_STREQ(list.entries[3].name, "libGLX_beta.so.0");
    EXPECT_STREQ(list.entries[3].company, "");
    EXPECT_STREQ(list.entries[3].description, "GLX vendor library");
}

TEST_F(IcdFixture, ExportHonoursVendorFolderVariable)
{
    /* Two folders in the variable replace the default ones; 20 vendors in
     * all still give 16 entries through the exported call, so no GLX
     * library of the machine is reached. */
    std::string second = tmp.sub("more_vendors");
    for (int i = 0; i < 20; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "libEGL_v%02d.so.0", i);
        char file[64];
        std::snprintf(file, sizeof file, "%02d.json", i);
        writeWhole((i < 10 ? vendors : second) + "/" + file, vendorJson(makeLibrary(name)));
    }
    std::string dirs = vendors + ":" + second;
    ScopedEnv vendorDirs("__EGL_VENDOR_LIBRARY_DIRS", dirs.c_str());
    ScopedEnv path("PATH", tmp.path().c_str()); /* no package database: quick */
    sounder::IcdSearch defaults = sounder::defaultIcdSearch();
    ASSERT_EQ(defaults.eglVendorDirs.size(), 2u);
    EXPECT_EQ(defaults.eglVendorDirs[0], vendors);
    EXPECT_EQ(defaults.eglVendorDirs[1], second);

    tsIcdList list;
    ASSERT_EQ(tsInfoGetICD(&list), 1);
    ASSERT_EQ(list.count, 16);
    EXPECT_STREQ(list.entries[0].name, "libEGL_v00.so.0");
    EXPECT_STREQ(list.entries[9].name, "libEGL_v09.so.0");
    EXPECT_STREQ(list.entries[10].name, "libEGL_v10.so.0");
    EXPECT_STREQ(list.entries[15].name, "libEGL_v15.so.0");
}

TEST_F(IcdFixture, UnknownFileFallsBackWhenPackageDatabaseIsAsked)
{
    if (!haveDpkg())
        GTEST_SKIP() << "no package database on this machine";
    search.usePackageDatabase = true;
    writeWhole(vendors + "/10.json", vendorJson(makeLibrary("libEGL_local.so.7.1")));
    tsIcdList list;
    ASSERT_EQ(sounder::readIcdList(search, &list), 1);
    ASSERT_EQ(list.count, 1);
    EXPECT_STREQ(list.entries[0].version, "7.1");
    EXPECT_STREQ(list.entries[0].company, "");
}

TEST(IcdText, VendorJsonReader)
{
    std::string path;
    EXPECT_TRUE(sounder::eglVendorLibraryPath(vendorJson("libEGL_mesa.so.0"), path));
    EXPECT_EQ(path, "libEGL_mesa.so.0");
    EXPECT_TRUE(sounder::eglVendorLibraryPath(
        "{\"x\": [1, -2.5e3, true, null, {\"ICD\": 1}], \"ICD\": {\"api_version\": \"1.5\", "
        "\"library_path\": \"\\/opt\\/a b\\u00e9.so\"}}",
        path));
    EXPECT_EQ(path, "/opt/a b\xc3\xa9.so");
    /* library_path outside the ICD object does not count */
    EXPECT_FALSE(sounder::eglVendorLibraryPath("{\"other\": {\"library_path\": \"x.so\"}}", path));
    EXPECT_FALSE(sounder::eglVendorLibraryPath("[{\"ICD\": {\"library_path\": \"x.so\"}}]", path));
    EXPECT_FALSE(sounder::eglVendorLibraryPath("{\"ICD\": {\"library_path\": \"\"}}", path));
    EXPECT_FALSE(sounder::eglVendorLibraryPath("{\"ICD\": {\"library_path\": \"x\\q\"}}", path));
    EXPECT_FALSE(sounder::eglVendorLibraryPath("{\"ICD\": {\"library_path\": \"x\", }}", path));
    EXPECT_FALSE(sounder::eglVendorLibraryPath("{\"ICD\": {\"library_path\": \"x\\u12\"}}", path));
    EXPECT_FALSE(sounder::eglVendorLibraryPath("", path));
    EXPECT_FALSE(sounder::eglVendorLibraryPath("{\"ICD\": {\"library_path\": \"a\\u0000b\"}}", path));
    EXPECT_FALSE(sounder::eglVendorLibraryPath("{\"ICD\": {\"library_path\": 5}}", path));
    /* Deep nesting is read without exhausting the stack. */
    const std::string deep = std::string(200000, '[') + std::string(200000, ']');
    EXPECT_TRUE(sounder::eglVendorLibraryPath(
        "{\"x\": " + deep + ", \"ICD\": {\"library_path\": \"d.so\"}}", path));
    EXPECT_EQ(path, "d.so");
}

TEST(IcdText, CompanyPrefixAndVersionSuffix)
{
    char d[260];
    std::strcpy(d, "Debian X Strike Force Mesa vendor library");
    sounder::cutCompanyPrefix(d, "Debian X Strike Force");
    EXPECT_STREQ(d, " Mesa vendor library"); /* the leading blank stays */
    std::strcpy(d, "The Acme Corp driver");
    sounder::cutCompanyPrefix(d, "Acme Corp");
    EXPECT_STREQ(d, " driver"); /* what precedes the company goes too */
    std::strcpy(d, "free implementation of the EGL API");
    sounder::cutCompanyPrefix(d, "Debian X Strike Force");
    EXPECT_STREQ(d, "free implementation of the EGL API");
    sounder::cutCompanyPrefix(d, "");
    EXPECT_STREQ(d, "free implementation of the EGL API");
    std::strcpy(d, "Acme");
    sounder::cutCompanyPrefix(d, "Acme");
    EXPECT_STREQ(d, "");

    EXPECT_EQ(sounder::versionFromFileName("libGLX_mesa.so.0.0.0"), "0.0.0");
    EXPECT_EQ(sounder::versionFromFileName("libEGL_nvidia.so.535.104.05"), "535.104.05");
    EXPECT_EQ(sounder::versionFromFileName("libGLX_mesa.so"), "");
    EXPECT_EQ(sounder::versionFromFileName("libfoo.so.0-beta"), "");
}

TEST(IcdPackages, DatabaseFilesAnswerAsDpkgQueryWould)
{
    /* A package database of our own: an arch-qualified and a plain package,
     * a continued description, a diverted file and a file nobody owns. */
    TempDir root;
    root.sub("info");
    root.write("info/libfoo1:amd64.list",
               "/.\n/usr\n/usr/lib/libfoo.so.1.2\n/usr/lib/libfoo.so.1\n");
    root.write("info/zlast.list", "/usr/lib/libfoo.so.1.2\n/usr/lib/libbar.so.3\n");
    /* The lists are read in blocks of 64 KiB: this line runs over the first
     * block's end. */
    std::string filler;
    for (int i = 0; i < 21842; ++i)
        filler += "/a\n";
    root.write("info/plain.list", filler + "/usr/lib/libplain.so.0\n/usr/lib/libdiverted.so.0\n");
    root.write("diversions", "/usr/lib/libdiverted.so.0\n/usr/lib/libdiverted.so.0.orig\nlocal\n");
    root.write("status", "Package: libfoo1\nStatus: install ok installed\nArchitecture: i386\n"
                         "Maintainer: Wrong Arch <w@x>\nVersion: 0.1\nDescription: wrong\n\n"
                         "Package: libfoo1\nStatus: install ok installed\nArchitecture: amd64\n"
                         "Maintainer: Foo Team <foo@example.org>\nVersion: 1.2-3\n"
                         "Description: Foo Team's foo library\n more text\n .\n"
                         "Homepage: x\n\n"
                         "Package: plain\nArchitecture: all\nMaintainer: Plain\nVersion: 7\n"
                         "Description: plain one\n");
    const std::vector<std::string> paths = {"/usr/lib/libfoo.so.1.2",  "/usr/lib/libplain.so.0",
                                            "/usr/lib/libbar.so.3",    "/usr/lib/libdiverted.so.0",
                                            "/usr/lib/libnobody.so.1", "/usr/lib"};
    const auto facts = sounder::packageFactsForFiles(root.path(), paths);

    struct Row {
        const char *path, *package, *company, *version, *description;
    } rows[] = {
        {"/usr/lib/libfoo.so.1.2", "libfoo1:amd64", "Foo Team", "1.2-3", "Foo Team's foo library"},
        {"/usr/lib/libplain.so.0", "plain", "Plain", "7", "plain one"},
        {"/usr/lib/libbar.so.3", nullptr, nullptr, nullptr, nullptr}, /* no status entry */
        {"/usr/lib/libdiverted.so.0", nullptr, nullptr, nullptr, nullptr},
        {"/usr/lib/libnobody.so.1", nullptr, nullptr, nullptr, nullptr},
        {"/usr/lib", nullptr, nullptr, nullptr, nullptr}, /* only a prefix of listed lines */
    };
    for (const Row &r : rows) {
        auto it = facts.find(r.path);
        if (!r.package) {
            EXPECT_EQ(it, facts.end()) << r.path;
            continue;
        }
        ASSERT_NE(it, facts.end()) << r.path;
        EXPECT_EQ(it->second.package, r.package);
        EXPECT_EQ(it->second.company, r.company);
        EXPECT_EQ(it->second.version, r.version);
        EXPECT_EQ(it->second.description, r.description);
    }
    EXPECT_TRUE(sounder::packageFactsForFiles(root.file("missing"), paths).empty());
}
