/* Export macro of libsounder: only the C interface is visible. */
#ifndef SOUNDER_EXPORT_H
#define SOUNDER_EXPORT_H

#if defined(_WIN32)
#if defined(SOUNDER_BUILD)
#define SOUNDER_API __declspec(dllexport)
#else
#define SOUNDER_API __declspec(dllimport)
#endif
#else
#define SOUNDER_API __attribute__((visibility("default")))
#endif

#endif
