// The viewer's Qt-free part: settings file, language files, text lookup,
// the database choice and the safe formatter.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <clocale>
#include <filesystem>
#include <cstdlib>
#include <string>

#include "app/app_state.h"
#include "app/languages.h"
#include "app/paths.h"
#include "app/settings.h"
#include "sounder/database.h"
#include "sounder/texts.h"
#include "support/temp_dir.h"

using namespace tessera;

namespace {

std::string utf16le(const std::u16string &text, bool bom)
{
    std::string out;
    if (bom)
        out += "\xFF\xFE";
    for (char16_t c : text) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

std::string builtin(int id)
{
    const char *t = tsGetBuiltinText(id);
    return t ? t : "";
}

} // namespace

TEST(Settings, LinesIndexAndName)
{
    struct Case {
        std::string bytes;
        int link;
        std::string language;
    } cases[] = {
        {std::string("3\nfr.strings\0", 13), 3, "fr.strings"},
        {"3\r\nfr.strings", 3, ""}, // CR/LF: the second line is the empty one after CR
        {"12\nde.strings", 0, "de.strings"},
        {"-1\nde.strings", 0, "de.strings"},
        {"99999999999999\nx", 0, "x"},
        {"7junk\n../x", 7, "../x"},
        {"", 0, ""},
        {std::string("\0\xff\xfe binary", 10), 0, "\xff\xfe binary"},
        {"5\n" + std::string(300, 'a'), 5, std::string(256, 'a')},
    };
    for (const Case &c : cases) {
        const Settings s = parseSettings(c.bytes);
        EXPECT_EQ(s.linkIndex, c.link) << c.bytes;
        EXPECT_EQ(s.language, c.language) << c.bytes;
    }
    EXPECT_EQ(serializeSettings(0, "de.strings"), std::string("0\nde.strings\0", 13));
    // The whole name is kept, however long.
    const std::string longName(100, 'n');
    EXPECT_EQ(parseSettings(serializeSettings(6, longName)).language, longName);
}

TEST(Settings, FileWrittenAtomicallyAndBadFilesIgnored)
{
    TempDir dir;
    const std::string path = dir.file("Corvane/Lumenscope/tessera.ini");
    ASSERT_TRUE(writeSettingsFile(path, 2, "jp.strings"));
    EXPECT_EQ(readWhole(path), std::string("2\njp.strings\0", 13));
    const Settings back = readSettingsFile(path);
    EXPECT_TRUE(back.present);
    EXPECT_EQ(back.linkIndex, 2);
    // Nothing but the file itself is left in its folder.
    int entries = 0;
    for (const auto &e : std::filesystem::directory_iterator(dir.file("Corvane/Lumenscope")))
        entries += e.path().filename() == "tessera.ini" ? 1 : 100;
    EXPECT_EQ(entries, 1);
    ::mkdir(dir.file("folder.ini").c_str(), 0700);
    EXPECT_FALSE(readSettingsFile(dir.file("folder.ini")).present);
    EXPECT_FALSE(writeSettingsFile(dir.file("folder.ini"), 1, "x"));
    EXPECT_FALSE(readSettingsFile(dir.file("missing.ini")).present);
    // A huge file: only its start is read.
    const std::string huge = dir.write("huge.ini", "4\nnl.strings\n" + std::string(8 << 20, 'z'));
    EXPECT_EQ(readSettingsFile(huge).language, "nl.strings");
}

TEST(Languages, ScanRules)
{
    struct Case {
        const char *what;
        std::string data;
        bool utf16;
        const char *codepage;
        std::vector<std::string> texts; // ids 101, 102, ...
    } cases[] = {
        {"UTF-8 French",
         "x\"a\" \"b\" 101 \"Fichier\"\n102 \"Édition\"",
         false,
         nullptr,
         {"Fichier", "Édition"}},
        {"first byte is a quote", "\"a\" \"b\" \"c\" \"d\"", false, nullptr, {" ", ""}},
        {"unterminated", "x\"a\"\"b\"\"open text", false, nullptr, {"open text"}},
        {"zero byte ends the scan",
         std::string("x\"a\"\"b\"\"one\"\0\"two\"", 18),
         false,
         nullptr,
         {"one"}},
        {"windows-1252 fallback", "x\"a\"\"b\"\"caf\xe9 \x80\"", false, nullptr, {"café €"}},
        {"windows-1250 for Czech", "x\"a\"\"b\"\"\x9a\xe8\"", false, "windows-1250", {"šč"}},
        {"UTF-16LE with BOM",
         utf16le(u"\"a\"\"b\"\"Файл\" \"Вид\"", true),
         true,
         nullptr,
         {"Файл", "Вид"}},
        {"truncated UTF-16",
         utf16le(u"\"a\"\"b\"\"ok\"\"cut", false) + "\x41",
         true,
         nullptr,
         {"ok", "cut"}},
        {"lone surrogate",
         utf16le(u"\"a\"\"b\"\"x\xD800y\"", false),
         true,
         nullptr,
         {"x\xEF\xBF\xBDy"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(scanLanguageData(c.data, c.utf16, c.codepage), c.texts) << c.what;

    std::string many = "x";
    for (int i = 0; i < 602; ++i)
        many += "\"t" + std::to_string(i) + "\" ";
    const auto texts = scanLanguageData(many, false, nullptr);
    ASSERT_EQ(texts.size(), 512u);
    EXPECT_EQ(texts.back(), "t513");
}

TEST(Languages, LookupFallsBackToBuiltinNeverToAnotherLanguage)
{
    TextTable table;
    EXPECT_EQ(table.text(148), builtin(148));
    table.loadData("fr.strings", "x\"a\"\"b\"\"fr101\"\"\"\"fr103\"\"fr104\"");
    EXPECT_EQ(table.index(), 1);
    EXPECT_EQ(table.text(101), "fr101");
    EXPECT_EQ(table.text(102), builtin(102)); // empty entry
    EXPECT_EQ(table.text(104), "fr104");
    EXPECT_EQ(table.text(148), builtin(148)); // not reached
    table.loadData("de.strings", "x\"a\"\"b\"\"de101\"");
    EXPECT_EQ(table.index(), 5);
    EXPECT_EQ(table.text(104), builtin(104)); // not the French text
    for (int id : {0, 100, 613, -5, 100000})
        EXPECT_EQ(table.text(id), "") << id;
    // The texts this program added to the table are present.
    for (int id : {359, 364, 393, 394})
        EXPECT_FALSE(table.text(id).empty()) << id;
    table.loadData("mine.strings", "x\"a\"\"b\"\"own\"");
    EXPECT_EQ(table.index(), 0); // an unknown name checks English
    EXPECT_EQ(table.text(101), "own");
}

TEST(Languages, FilesFoundOnlyByPlainNamesAndSize)
{
    TempDir dir;
    const std::string user = dir.sub("user"), shipped = dir.sub("shipped");
    dir.write("shipped/de.strings", "x\"a\"\"b\"\"Über\"");
    dir.write("user/fr.strings", "x\"a\"\"b\"\"Fichier\"");
    dir.write("secret.strings", "x\"a\"\"b\"\"outside\"");
    dir.write("user/big.strings", "x\"a\"\"b\"\"big\"" + std::string(1 << 20, ' '));
    const std::vector<std::string> folders = {user, shipped};
    TextTable table;
    EXPECT_TRUE(table.load("de.strings", folders));
    EXPECT_EQ(table.text(101), "Über");
    EXPECT_TRUE(table.load("fr.strings", folders));
    EXPECT_EQ(table.text(101), "Fichier");
    for (const char *name :
         {"../secret.strings", "/etc/passwd", "", "..", "big.strings", "missing.strings"}) {
        EXPECT_FALSE(table.load(name, folders)) << name;
        EXPECT_EQ(table.fileName(), name); // remembered and saved all the same
        EXPECT_EQ(table.text(101), builtin(101)) << name;
    }
}

TEST(Languages, InterfaceLanguageFromLocale)
{
    struct Case {
        const char *all, *messages, *lang, *file;
    } cases[] = {
        {nullptr, nullptr, "de_AT.UTF-8", "de.strings"},
        {nullptr, nullptr, "cs_CZ", "cz.strings"},
        {nullptr, nullptr, "ja_JP.eucJP", "jp.strings"},
        {nullptr, nullptr, "uk_UA.UTF-8", "ua.strings"},
        {nullptr, "ru_RU.UTF-8", "fr_FR.UTF-8", "ru.strings"},
        {"nl_BE", "ru_RU", "fr_FR", "nl.strings"},
        {"", "", "fr", "fr.strings"},
        {nullptr, nullptr, "C.UTF-8", "en.strings"},
        {nullptr, nullptr, "es_ES.UTF-8", "en.strings"},
        {nullptr, nullptr, nullptr, "en.strings"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(languageFileForLocale(c.all, c.messages, c.lang), c.file)
            << (c.lang ? c.lang : "(none)");
}

TEST(Languages, FormatsNeverReachPrintf)
{
    struct Case {
        const char *format;
        std::vector<std::string> args;
        const char *out;
    } cases[] = {
        {"Unable to save %s", {"/tmp/a%n.xml"}, "Unable to save /tmp/a%n.xml"},
        {"%s%n%s%s%s", {"x"}, "x"},
        {"%d items, %s", {"3"}, "3 items, "},
        {"100%% done", {}, "100% done"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(formatText(c.format, c.args), c.out) << c.format;
}

TEST(Database, UserCopyPreferredOnlyWhenUsableAndNotOlder)
{
    TempDir dir;
    const std::string shipped =
        dir.write("shipped.xml", "<?xml version=\"1.0\"?>\n<tessera version=\"5\">\n<ext "
                                 "name=\"GL_ARB_shipped\"/>\n</tessera>\n");
    struct Case {
        const char *what;
        std::string user; // "" = no user copy
        bool userChosen;
    } cases[] = {
        {"no user copy", "", false},
        {"newer user copy", "<tessera version=\"6\"><ext name=\"GL_ARB_user\"/></tessera>", true},
        {"same version", "<tessera version=\"5\"><ext name=\"GL_ARB_user\"/></tessera>", true},
        {"older user copy", "<tessera version=\"4\"><ext name=\"GL_ARB_user\"/></tessera>", false},
        {"garbage", "\x01\x02 not xml <<<", false},
        {"empty database", "<tessera version=\"9\"></tessera>", false},
    };
    for (const Case &c : cases) {
        const std::string user = dir.file("user.xml");
        std::remove(user.c_str());
        if (!c.user.empty())
            dir.write("user.xml", c.user);
        std::string from;
        tsDatabase *db = openDatabase(user, shipped, &from);
        ASSERT_NE(db, nullptr);
        EXPECT_EQ(from, c.userChosen ? user : shipped) << c.what;
        ASSERT_NE(db->extensions, nullptr) << c.what;
        EXPECT_STREQ(db->extensions->name, c.userChosen ? "GL_ARB_user" : "GL_ARB_shipped")
            << c.what;
        tsDatabaseRelease(db);
    }
    std::string from = "x";
    tsDatabase *none = openDatabase(dir.file("none.xml"), "", &from);
    EXPECT_EQ(from, "");
    EXPECT_EQ(none->extensions, nullptr);
    tsDatabaseRelease(none);
}

TEST(Database, WriteKeepsPreviousCopyAndReportsFailure)
{
    TempDir dir;
    tsDatabase *db =
        tsDatabaseCreateFromCString("<tessera version=\"3\"><ext name=\"GL_ARB_one\"/></tessera>");
    const std::string path = dir.file("data/tessera/extensions.xml");
    std::string reason;
    ASSERT_TRUE(writeUserDatabase(db, path, &reason)) << reason;
    const std::string first = readWhole(path);
    EXPECT_NE(first.find("GL_ARB_one"), std::string::npos);
    ASSERT_TRUE(writeUserDatabase(db, path, &reason)) << reason;
    EXPECT_EQ(readWhole(path + ".bak"), first);
    EXPECT_NE(readWhole(path), first); // the edition number moved on

    dir.write("blocker", "a file where a folder should be");
    EXPECT_FALSE(writeUserDatabase(db, dir.file("blocker/tessera/extensions.xml"), &reason));
    EXPECT_NE(reason.find("blocker"), std::string::npos) << reason;
    tsDatabaseRelease(db);
}

TEST(Locale, FirstStartTakesTheInterfaceLanguageAndKeepsNumbersC)
{
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    std::setlocale(LC_ALL, "C");
    TempDir dir;
    setenv("LANG", "de_DE.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    AppState state;
    state.settingsPath = dir.file("config/Corvane/Lumenscope/tessera.ini");
    state.loadLanguage(std::string(), true);
    EXPECT_EQ(textTable().fileName(), "de.strings");
    EXPECT_EQ(textTable().index(), 5);
    EXPECT_FALSE(textTable().loaded()); // no German file: the English texts
    EXPECT_EQ(LoadText(148), builtin(148));
    EXPECT_NE(std::string(std::setlocale(LC_MESSAGES, nullptr)).find("de_DE"), std::string::npos);
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    EXPECT_DOUBLE_EQ(std::strtod("0.125", nullptr), 0.125);
    ASSERT_TRUE(state.saveSettings());
    EXPECT_EQ(readWhole(state.settingsPath), std::string("0\nde.strings\0", 13));

    // A CR/LF settings file: English, and an empty name is written back.
    writeWhole(state.settingsPath, "4\r\nfr.strings\r\n");
    state.loadLanguage(std::string(), true);
    EXPECT_EQ(state.linkIndex, 4);
    EXPECT_EQ(textTable().index(), 0);
    ASSERT_TRUE(state.saveSettings());
    EXPECT_EQ(readWhole(state.settingsPath), std::string("4\n\0", 3));
    std::setlocale(LC_ALL, "C");
}
