#include "app/languages.h"

#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>

#include "app/paths.h"
#include "sounder/texts.h"

// sounder's checked formatter, where the library exports it.
#if __has_include("sounder/present.h")
#include "sounder/present.h"
#define TESSERA_SOUNDER_FORMATTER 1
#endif

namespace tessera {
namespace {

const std::array<LanguageInfo, kLanguageCount> kLanguages = {{
    {"en.strings", "&English", "en", false, "windows-1252"},
    {"fr.strings", "Français", "fr", false, "windows-1252"},
    {"cz.strings", "Czech", "cs", false, "windows-1250"},
    {"ua.strings", "Ukrainian", "uk", true, nullptr},
    {"nl.strings", "Dutch", "nl", false, "windows-1252"},
    {"de.strings", "German", "de", false, "windows-1252"},
    {"jp.strings", "Japanese", "ja", true, nullptr},
    {"ru.strings", "Russian", "ru", true, nullptr},
}};

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool validUtf8(const std::string &s)
{
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int extra;
        char32_t min;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1, min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2, min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3, min = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= n)
            return false;
        char32_t v = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            v = (v << 6) | (d & 0x3F);
        }
        if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

// UTF-8 of the 128 upper bytes of a single-byte code page, made once with
// iconv; bytes the code page leaves undefined become U+FFFD.
const std::array<std::string, 128> &codepageTable(const std::string &codepage)
{
    static std::mutex mutex;
    static std::map<std::string, std::array<std::string, 128>> tables;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = tables.find(codepage);
    if (found != tables.end())
        return found->second;
    std::array<std::string, 128> &table = tables[codepage];
    iconv_t cd = iconv_open("UTF-8", codepage.c_str());
    for (int b = 0; b < 128; ++b) {
        char in[1] = {static_cast<char>(0x80 + b)};
        char out[8];
        char *inp = in, *outp = out;
        size_t inLeft = 1, outLeft = sizeof out;
        if (cd != reinterpret_cast<iconv_t>(-1) &&
            iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1) && inLeft == 0)
            table[b].assign(out, outp);
        else
            table[b] = "\xEF\xBF\xBD";
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    if (cd != reinterpret_cast<iconv_t>(-1))
        iconv_close(cd);
    return table;
}

std::string eightBitToUtf8(const std::string &text, const char *codepage)
{
    if (validUtf8(text))
        return text;
    const auto &table = codepageTable(codepage ? codepage : "WINDOWS-1252");
    std::string out;
    out.reserve(text.size() * 2);
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            out += ch;
        else
            out += table[c - 0x80];
    }
    return out;
}

std::string utf16ToUtf8(const std::u16string &units)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::string languageCode(const char *locale)
{
    std::string code;
    for (const char *p = locale; *p && *p != '_' && *p != '.' && *p != '@' && *p != '-'; ++p)
        code += static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p - 'A' + 'a' : *p);
    return code;
}

} // namespace

const std::array<LanguageInfo, kLanguageCount> &languages()
{
    return kLanguages;
}

int languageIndex(const std::string &name)
{
    for (int i = 1; i < kLanguageCount; ++i)
        if (name == kLanguages[i].file)
            return i;
    return 0;
}

std::string languageFileForLocale(const char *lcAll, const char *lcMessages, const char *lang)
{
    const char *locale = nullptr;
    for (const char *candidate : {lcAll, lcMessages, lang})
        if (candidate && *candidate) {
            locale = candidate;
            break;
        }
    if (locale) {
        const std::string code = languageCode(locale);
        for (const LanguageInfo &info : kLanguages)
            if (code == info.code)
                return info.file;
    }
    return kLanguages[0].file;
}

std::string languageFileForEnvironment()
{
    return languageFileForLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                 std::getenv("LANG"));
}

std::vector<std::string> scanLanguageData(const std::string &data, bool utf16, const char *codepage)
{
    std::vector<std::string> texts;
    int n = 0; // number of the quoted text being read, counted from 0
    if (utf16) {
        const std::size_t units = data.size() / 2; // a trailing odd byte is no unit
        auto unit = [&](std::size_t i) {
            return static_cast<char16_t>(static_cast<unsigned char>(data[2 * i]) |
                                         (static_cast<unsigned char>(data[2 * i + 1]) << 8));
        };
        std::size_t i = 0;
        while (i < units && texts.size() < static_cast<std::size_t>(kTextCount)) {
            const char16_t c = unit(i++);
            if (c == 0)
                break;
            if (c != u'"')
                continue;
            std::u16string text;
            bool ended = false;
            while (i < units) {
                const char16_t d = unit(i++);
                if (d == 0) {
                    ended = true;
                    break;
                }
                if (d == u'"')
                    break;
                text += d;
            }
            if (n++ >= 2)
                texts.push_back(utf16ToUtf8(text));
            if (ended)
                break;
        }
        return texts;
    }
    std::size_t i = 1; // the first byte is never taken as an opening quote
    while (i < data.size() && texts.size() < static_cast<std::size_t>(kTextCount)) {
        const char c = data[i++];
        if (c == '\0')
            break;
        if (c != '"')
            continue;
        const std::size_t start = i;
        while (i < data.size() && data[i] != '"' && data[i] != '\0')
            ++i;
        const std::string text = data.substr(start, i - start);
        const bool ended = i >= data.size() || data[i] == '\0';
        if (!ended)
            ++i; // the closing quote
        if (n++ >= 2)
            texts.push_back(eightBitToUtf8(text, codepage));
        if (ended)
            break;
    }
    return texts;
}

std::vector<std::string> dataFolders()
{
    std::vector<std::string> folders;
    const std::string user = userDataFolder();
    if (!user.empty())
        folders.push_back(user);
    const std::string program = programDirectory();
    if (!program.empty())
        folders.push_back(program);
    folders.push_back(installedDataFolder());
    return folders;
}

std::string findLanguageFile(const std::string &name, const std::vector<std::string> &folders)
{
    if (name.empty() || name.find('/') != std::string::npos ||
        name.find('\\') != std::string::npos || name == "." || name == "..")
        return std::string();
    for (const std::string &folder : folders) {
        const std::string path = folder + "/" + name;
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return path;
    }
    return std::string();
}

void TextTable::reset(const std::string &name)
{
    for (std::string &entry : entries_)
        entry.clear();
    loaded_ = false;
    fileName_ = name;
    index_ = languageIndex(name);
}

void TextTable::loadData(const std::string &name, const std::string &data)
{
    reset(name);
    const LanguageInfo &info = kLanguages[index_];
    const std::vector<std::string> texts = scanLanguageData(data, info.utf16, info.codepage);
    for (std::size_t i = 0; i < texts.size() && i < entries_.size(); ++i)
        entries_[i] = texts[i];
    loaded_ = true;
}

bool TextTable::load(const std::string &name, const std::vector<std::string> &folders)
{
    reset(name);
    const std::string path = findLanguageFile(name, folders);
    if (path.empty())
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string data;
    data.resize(kMaxLanguageFileSize + 1);
    in.read(&data[0], static_cast<std::streamsize>(data.size()));
    const std::size_t got = static_cast<std::size_t>(in.gcount());
    if (got > kMaxLanguageFileSize)
        return false;
    data.resize(got);
    loadData(name, data);
    return true;
}

std::string TextTable::text(int id) const
{
    if (id < kFirstTextId || id > kLastTextId)
        return std::string();
    if (loaded_ && !entries_[id - kFirstTextId].empty())
        return entries_[id - kFirstTextId];
    const char *builtin = tsGetBuiltinText(id);
    return builtin ? builtin : std::string();
}

TextTable &textTable()
{
    static TextTable table;
    return table;
}

std::string LoadText(int id)
{
    return textTable().text(id);
}

#ifdef TESSERA_SOUNDER_FORMATTER
std::string formatText(const std::string &format, const std::vector<std::string> &args)
{
    std::vector<tsTextArg> values(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        values[i] = tsTextArg();
        values[i].kind = TS_ARG_TEXT;
        values[i].s = args[i].c_str();
    }
    const int count = static_cast<int>(values.size());
    const std::size_t length = tsFormatText(format.c_str(), values.data(), count, nullptr, 0);
    std::string out(length + 1, '\0');
    tsFormatText(format.c_str(), values.data(), count, &out[0], out.size());
    out.resize(length);
    return out;
}
#else
std::string formatText(const std::string &format, const std::vector<std::string> &args)
{
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // Skip flags, width, precision and length modifiers up to the conversion.
        std::size_t j = i + 1;
        while (j < format.size() && std::strchr("-+ #0123456789.hlLqjzt", format[j]))
            ++j;
        if (j >= format.size())
            break;
        const char conversion = format[j];
        if ((conversion == 's' || conversion == 'd' || conversion == 'i') && next < args.size())
            out += args[next];
        if (std::strchr("sdiuxXoceEfFgGp", conversion))
            ++next;
        i = j;
    }
    return out;
}
#endif

} // namespace tessera
