// Runs a test under a locale whose decimal separator is a comma, as a
// program does once Qt has set the locale from a German or French
// environment.  Numbers in files must read and write the same there.
#ifndef TESTS_SUPPORT_DECIMAL_COMMA_H
#define TESTS_SUPPORT_DECIMAL_COMMA_H

#include <clocale>
#include <cstring>
#include <string>

class DecimalCommaLocale {
public:
    DecimalCommaLocale()
    {
        const char *current = std::setlocale(LC_ALL, nullptr);
        saved_ = current ? current : "C";
        for (const char *name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "fr_FR"}) {
            if (std::setlocale(LC_ALL, name) &&
                std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
                name_ = name;
                return;
            }
        }
        std::setlocale(LC_ALL, saved_.c_str());
    }
    ~DecimalCommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    DecimalCommaLocale(const DecimalCommaLocale &) = delete;
    DecimalCommaLocale &operator=(const DecimalCommaLocale &) = delete;

    // False when no such locale is installed (scripts/deps installs them).
    bool active() const { return !name_.empty(); }
    const std::string &name() const { return name_; }

private:
    std::string saved_;
    std::string name_;
};

#define ASSERT_DECIMAL_COMMA(locale)                                                               \
    ASSERT_TRUE((locale).active())                                                                 \
        << "no locale with a decimal comma (de_DE.UTF-8, fr_FR.UTF-8) is installed; "              \
           "scripts/deps installs locales-all"

#endif
