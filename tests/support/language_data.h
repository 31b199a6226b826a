// An 8-bit (UTF-8) language file whose texts a test chooses: text(id) for
// every id from 101 to 612.  Double quotes, which end a text in the file,
// become single quotes.
#ifndef TESTS_SUPPORT_LANGUAGE_DATA_H
#define TESTS_SUPPORT_LANGUAGE_DATA_H

#include <functional>
#include <string>

inline std::string languageData(const std::function<std::string(int)> &text)
{
    // The scan starts at the second byte and drops the first two texts.
    std::string data = "#\"language\" \"test\"\n";
    for (int id = 101; id <= 612; ++id) {
        std::string t = text(id);
        for (char &c : t)
            if (c == '"')
                c = '\'';
        data += "\"" + t + "\"\n";
    }
    return data;
}

#endif
