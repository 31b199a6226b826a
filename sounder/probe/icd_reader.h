/* Installed OpenGL vendor libraries (glvnd): the reader behind tsInfoGetICD,
 * with its search directories injectable so that tests can point it at a
 * folder of their own. */
#ifndef SOUNDER_PROBE_ICD_READER_H
#define SOUNDER_PROBE_ICD_READER_H

#include <map>
#include <string>
#include <vector>

#include "sounder/system.h"

namespace sounder {

struct IcdSearch {
    /* Folders of EGL vendor JSON files, searched in this order; the files of
     * one folder in name order. */
    std::vector<std::string> eglVendorDirs;
    /* Folders searched for bare library names and for libGLX_*.so.0. */
    std::vector<std::string> libraryDirs;
    /* Take company, description and version from the package database. */
    bool usePackageDatabase = true;
    /* The package database's folder ($DPKG_ADMINDIR by default, else
     * /var/lib/dpkg): info/<package>.list, status, diversions. */
    std::string packageAdminDir = "/var/lib/dpkg";
};

/* The folders glvnd and the dynamic loader use on this machine:
 * $__EGL_VENDOR_LIBRARY_DIRS (colon separated) or else /etc/glvnd/egl_vendor.d
 * and /usr/share/glvnd/egl_vendor.d; $LD_LIBRARY_PATH, the folders of
 * /etc/ld.so.conf.d, the folder of the loaded C library and the usual
 * system folders. */
IcdSearch defaultIcdSearch();

/* Fills list from the given folders.  Returns 1 when at least one folder
 * could be read, else 0 (count 0 then).  Never more than 16 entries; a
 * library whose file name is longer than 31 characters is skipped. */
int readIcdList(const IcdSearch &search, tsIcdList *list);

/* "library_path" of the "ICD" object of an EGL vendor JSON text; false for
 * text that is not well-formed JSON or lacks the member. */
bool eglVendorLibraryPath(const std::string &json, std::string &libraryPath);

/* Version suffix of a shared-object file name: "libGLX_mesa.so.0.0.0" gives
 * "0.0.0"; empty when the name has no ".so." part. */
std::string versionFromFileName(const std::string &fileName);

/* When description contains company, keep only what follows its first
 * occurrence (a leading blank stays).  An empty company changes nothing. */
void cutCompanyPrefix(char *description, const char *company);

struct PackageFacts {
    std::string package;
    std::string company;     /* Maintainer without its <address> */
    std::string description; /* one-line summary */
    std::string version;
};

/* The package facts of each path the package database knows, with the
 * answers `dpkg-query -S` (first owner) and `dpkg-query -W` give, read from
 * the database's files.  Paths it does not know, diverted paths and
 * packages without a version are left out. */
std::map<std::string, PackageFacts> packageFactsForFiles(const std::string &adminDir,
                                                         const std::vector<std::string> &paths);

} // namespace sounder

#endif
