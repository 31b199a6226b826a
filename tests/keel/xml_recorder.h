// Records the callbacks of the XML parser as one line each, so tests can
// compare whole event sequences.
#ifndef TESTS_KEEL_XML_RECORDER_H
#define TESTS_KEEL_XML_RECORDER_H

#include "keel/keel.h"

#include <string>
#include <vector>

struct XmlRecorder {
    std::vector<std::string> events;
    int elementResult = 0;
    int tagResult = 0;
    sysXmlCallbacks callbacks{};

    explicit XmlRecorder(bool withCData = true)
    {
        callbacks.user = reinterpret_cast<uint64_t>(this);
        callbacks.onElement = [](uint64_t user, char *name, char *text) {
            auto *self = reinterpret_cast<XmlRecorder *>(user);
            self->events.push_back("E[" + std::string(name) + "][" + text + "]");
            return self->elementResult;
        };
        callbacks.onTag = [](uint64_t user, char *tag) {
            auto *self = reinterpret_cast<XmlRecorder *>(user);
            self->events.push_back("T[" + std::string(tag) + "]");
            return self->tagResult;
        };
        if (withCData)
            callbacks.onCData = [](uint64_t user, const char *data, sysSize length) {
                auto *self = reinterpret_cast<XmlRecorder *>(user);
                self->events.push_back("C[" + std::string(data, length) + "]");
            };
    }

    int parse(const char *text) { return sysXmlParseDocument(&callbacks, text); }
};

#endif
