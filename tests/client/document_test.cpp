// The document writer: line ends and the capped buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "client/document.h"
#include "sounder/client.h"

using sounder::client::DocumentWriter;

TEST(ClientDocument, LinesEndInCrLf)
{
    char buffer[64];
    DocumentWriter w(buffer, sizeof buffer);
    w.line("<a x=\"%d\">", 5);
    w.line("%s", "</a>");
    EXPECT_STREQ(w.text(), "<a x=\"5\">\r\n</a>\r\n");
    EXPECT_FALSE(w.truncated());
    w.begin();
    EXPECT_STREQ(w.text(), "");
}

TEST(ClientDocument, CutAtCapacityNeverPastIt)
{
    char block[32 + 16];
    std::memset(block, 'G', sizeof block);
    DocumentWriter w(block, 32);
    for (int i = 0; i < 100; ++i)
        w.line("line %d of a long document", i);
    EXPECT_TRUE(w.truncated());
    EXPECT_EQ(w.length(), 31u);
    EXPECT_EQ(std::strlen(block), 31u);
    for (size_t i = 32; i < sizeof block; ++i)
        EXPECT_EQ(block[i], 'G') << "byte " << i << " was written";
    EXPECT_EQ(std::string(block, 31), std::string("line 0 of a long document\r\nline", 31));
}

TEST(ClientDocument, LongLineIsCutToTheWorkBuffer)
{
    static char buffer[LUM_OUTPUT_SIZE];
    DocumentWriter w(buffer, sizeof buffer);
    const std::string big(20000, 'x');
    w.line("%s", big.c_str());
    // The line is cut at the work buffer (8191 characters), then "\r\n".
    EXPECT_EQ(w.length(), static_cast<size_t>(LUM_LINE_SIZE - 1 + 2));
    EXPECT_FALSE(w.truncated());
}

TEST(ClientDocument, FormatCharactersInTextsAreNotInterpreted)
{
    char buffer[128];
    DocumentWriter w(buffer, sizeof buffer);
    w.line("<t name=\"%s\" />", "%s%n%x");
    EXPECT_STREQ(w.text(), "<t name=\"%s%n%x\" />\r\n");
}

TEST(ClientDocument, ReportPiecesOfEachKind)
{
    std::vector<tsReportPiece> pieces(6);
    std::memset(pieces.data(), 0, pieces.size() * sizeof(tsReportPiece));
    pieces[0].kind = TS_PIECE_TEXT;
    std::strcpy(pieces[0].text, "Mesa \"X\" & <co>");
    pieces[1].kind = TS_PIECE_TEXT_ID_ARGS;
    pieces[1].textId = 308;
    std::strcpy(pieces[1].text, "a");
    std::strcpy(pieces[1].text2, "b%s");
    pieces[2].kind = TS_PIECE_TEXT_ID;
    pieces[2].textId = 334;
    pieces[3].kind = TS_PIECE_REFERENCE;
    pieces[3].reference = "llvmpipe (LLVM 15.0.6, 256 bits)";
    pieces[4].kind = 9; // a kind the document has no form for
    std::strcpy(pieces[4].text, "hidden");
    pieces[5].kind = TS_PIECE_REFERENCE; // a null reference is an empty text
    char buffer[1024];
    DocumentWriter w(buffer, sizeof buffer);
    sounder::client::writeReportDocument(w, pieces.data(), static_cast<int>(pieces.size()));
    EXPECT_STREQ(w.text(), "<report>\r\n"
                           "<item type=\"STR\" value=\"Mesa &quot;X&quot; &amp; &lt;co&gt;\"/>\r\n"
                           "<item type=\"STR2\" value=\"308\" text=\"a\" text2=\"b%s\"/>\r\n"
                           "<item type=\"LOCAL\" value=\"334\"/>\r\n"
                           "<item type=\"STR\" value=\"llvmpipe (LLVM 15.0.6, 256 bits)\"/>\r\n"
                           "<item type=\"STR\" value=\"\"/>\r\n"
                           "</report>\r\n");
}

TEST(ClientDocument, PixelFormatLineSignedBytesAndFlagBitZero)
{
    tsPixelFormat p;
    std::memset(&p, 0, sizeof p);
    p.color_bits = 200; // read as a signed byte: -56
    p.depth_bits = 24;
    p.stencil_bits = 8;
    p.accum_bits = 64;
    p.pixel_type = 1;
    p.transparent = 2;  // bit 0 clear: False
    p.acceleration = 3; // bit 0 set: True
    p.support_gdi = 1;
    p.aux_buffers = 4;
    p.double_buffer = 0xFF;
    p.support_opengl = 1;
    p.draw_to_window = 1;
    p.draw_to_bitmap = 0;
    p.swap_layers_buffers = 5;
    p.stereo = 0x10;
    p.auxbuffers = 6;
    p.samples = 128; // -128
    p.number_overlays = 1;
    p.number_underlays = 255; // -1
    char buffer[1024];
    DocumentWriter w(buffer, sizeof buffer);
    sounder::client::writePixelFormatLine(w, 17, p);
    EXPECT_STREQ(
        w.text(),
        "<p id=\"17\" color_bits=\"-56\" depth_bits=\"24\" stencil_bits=\"8\" accum_bits=\"64\" "
        "pixel_type=\"1\" transparent=\"False\" acceleration=\"True\" support_gdi=\"True\" "
        "aux_buffers=\"4\" double_buffer=\"True\" support_opengl=\"True\" draw_to_window=\"True\" "
        "draw_to_bitmap=\"False\" swap_layers_buffers=\"5\" stereo=\"False\" auxbuffers=\"6\" "
        "samples=\"-128\" number_overlays=\"1\" number_underlays=\"-1\"  />\r\n");
}
