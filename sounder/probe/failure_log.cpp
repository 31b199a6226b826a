/* The failure log: every step of sounder names itself with tsReportContext
 * and writes what went wrong with tsReportFailure; the program reads the
 * text back after an operation that failed. */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "probe/info_internal.h"
#include "sounder/probe.h"

namespace {

constexpr size_t kStepSize = 256;
constexpr size_t kLogSize = 16384;
constexpr size_t kMessageSize = 8192;
constexpr size_t kHeadingSize = 1024;

struct FailureLog {
    char step[kStepSize] = {};
    int stepSerial = 0;
    /* -1: no heading written since the log was emptied, so the next failure
     * always starts with one. */
    int headingSerial = -1;
    int failures = 0;
    char text[kLogSize] = {};
    char message[kMessageSize] = {};
};

FailureLog g_log;

/* Appends src to the log; what does not fit into its 16383 characters is
 * dropped. */
void appendToLog(const char *src)
{
    size_t used = strnlen(g_log.text, kLogSize - 1);
    size_t room = kLogSize - 1 - used;
    size_t n = strlen(src);
    if (n > room)
        n = room;
    memcpy(g_log.text + used, src, n);
    g_log.text[used + n] = '\0';
}

} // namespace

void sounder::failureLogReplace(const char *text, int failures)
{
    tsReportSetLogFile();
    appendToLog(text ? text : "");
    g_log.failures = failures > 0 ? failures : 0;
}

extern "C" {

SOUNDER_API void tsReportContext(const char *step)
{
    snprintf(g_log.step, sizeof g_log.step, "%s", step ? step : "");
    ++g_log.stepSerial;
}

SOUNDER_API void tsReportFailure(const char *format, ...)
{
    g_log.message[0] = '\0';
    if (format) {
        va_list args;
        va_start(args, format);
        vsnprintf(g_log.message, sizeof g_log.message, format, args);
        va_end(args);
    }
    size_t len = strlen(g_log.message);
    snprintf(g_log.message + len, sizeof g_log.message - len, "\r\n");

    if (g_log.stepSerial != g_log.headingSerial) {
        g_log.headingSerial = g_log.stepSerial;
        char heading[kHeadingSize];
        snprintf(heading, sizeof heading, "...%s:\r\n", g_log.step);
        appendToLog(heading);
    }
    appendToLog(g_log.message);
    ++g_log.failures;
}

SOUNDER_API const char *tsReportGetLogFile(void)
{
    return g_log.text;
}

SOUNDER_API int tsReportSetLogFile(void)
{
    g_log.text[0] = '\0';
    g_log.failures = 0;
    g_log.stepSerial = 0;
    g_log.headingSerial = -1;
    return 0;
}

SOUNDER_API int tsReportHasErrors(void)
{
    return g_log.failures;
}

} // extern "C"
