/* The environment a reader process starts with (see readers_posix.cpp). */
#ifndef SOUNDER_PROBE_READER_ENVIRONMENT_H
#define SOUNDER_PROBE_READER_ENVIRONMENT_H

#include <string>
#include <vector>

namespace sounder {

/* "NAME=value" entries for the reader of reading 0 (softpipe) or 1. */
std::vector<std::string> readerEnvironment(int reading);

} // namespace sounder

#endif
