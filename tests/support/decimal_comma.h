// Runs a test under a locale whose decimal separator is a comma, as a
// program does once Qt has set the locale from a German or French
// environment; the previous locale comes back at the end of the scope.
#ifndef TESTS_SUPPORT_DECIMAL_COMMA_H
#define TESTS_SUPPORT_DECIMAL_COMMA_H

#include <clocale>
#include <cstring>
#include <string>

class DecimalCommaLocale {
public:
    DecimalCommaLocale() : saved_(std::setlocale(LC_ALL, nullptr))
    {
        for (const char *name : {"de_DE.UTF-8", "fr_FR.UTF-8"})
            if (std::setlocale(LC_ALL, name) &&
                std::strcmp(std::localeconv()->decimal_point, ",") == 0)
                return;
        std::setlocale(LC_ALL, saved_.c_str());
    }
    ~DecimalCommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    bool active() const { return std::strcmp(std::localeconv()->decimal_point, ",") == 0; }

private:
    std::string saved_;
};

constexpr const char *kNoDecimalComma =
    "no locale with a decimal comma is installed; scripts/deps installs locales-all";

#endif
