// Writes the English language file from sounder's built-in text table: a
// comment line, the two leading texts every language file carries, then
// `id "text"` for every id from 101 to 612 (empty where the table has none).
//   tessera-strings [OUTPUT]      (standard output without OUTPUT)
#include <cstdio>
#include <cstring>
#include <string>

#include "sounder/texts.h"

int main(int argc, char **argv)
{
    std::string out = "// Lumenscope English texts, generated from the built-in table: "
                      "the quoted texts count from 0, id = 99 + position\n"
                      "\"English\" \"en\"\n";
    for (int id = 101; id <= 612; ++id) {
        const char *text = tsGetBuiltinText(id);
        if (!text)
            text = "";
        // A text cannot hold a double quote: the file has no escapes.
        if (std::strchr(text, '"')) {
            std::fprintf(stderr, "%s: text %d holds a double quote\n", argv[0], id);
            return 1;
        }
        out += std::to_string(id) + " \"" + text + "\"\n";
    }
    FILE *f = argc > 1 ? std::fopen(argv[1], "wb") : stdout;
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() ||
        (f != stdout && std::fclose(f) != 0)) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argc > 1 ? argv[1] : "output");
        return 1;
    }
    return 0;
}
