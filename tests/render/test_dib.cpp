// BMP reader: every depth and layout decodes to the same packed RGB rows, and
// broken files fail with their message and never read outside the file.
#include <gtest/gtest.h>

#include "decoded_dib.h"
#include "platform/scripted.h"
#include "render/render.h"
#include "render_fixtures.h"

namespace {

void expectPicture(const Bytes& bytes, const Picture& p, const char* what) {
    DecodedDib d = decodeDibBytes(bytes);
    ASSERT_EQ(d.result, DibOk) << what;
    EXPECT_EQ(d.width, p.width) << what;
    EXPECT_EQ(d.height, p.height) << what;
    EXPECT_TRUE(d.rgb == p.rgb) << what;
}

BmpOptions options(int bits, uint32_t compression = 0) {
    BmpOptions o;
    o.bits = bits;
    o.compression = compression;
    return o;
}

// Width 5 makes every row need padding at every depth, and 3 rows show that
// the row order is kept.
TEST(DibDecode, EveryDepthGivesThePackedPicture) {
    Picture p = testPicture(5, 3);
    expectPicture(makeBmp(p, options(4)), p, "4 bits");
    expectPicture(makeBmp(p, options(8)), p, "8 bits");
    expectPicture(makeBmp(p, options(16)), p, "16 bits 555");
    expectPicture(makeBmp(p, options(24)), p, "24 bits");
    expectPicture(makeBmp(p, options(32)), p, "32 bits");
    BmpOptions bf16 = options(16, 3);
    bf16.masks[0] = 0xF800, bf16.masks[1] = 0x07E0, bf16.masks[2] = 0x001F;
    expectPicture(makeBmp(p, bf16), p, "16 bits 565");
    BmpOptions bf32 = options(32, 3);
    bf32.masks[0] = 0x000003FF, bf32.masks[1] = 0x000FFC00, bf32.masks[2] = 0x3FF00000;
    expectPicture(makeBmp(p, bf32), p, "32 bits 10-10-10");
    expectPicture(makeBmp(p, options(8, 1)), p, "RLE8");
    expectPicture(makeBmp(p, options(4, 2)), p, "RLE4");
    Picture mono = testPicture(13, 4, 2);
    expectPicture(makeBmp(mono, options(1)), mono, "1 bit");
}

TEST(DibDecode, WidthFiveRowsArePackedWithoutPadding) {
    Picture p = testPicture(5, 2);
    DecodedDib d = decodeDibBytes(makeBmp(p, options(24)));
    ASSERT_EQ(d.result, DibOk);
    ASSERT_EQ(d.rgb.size(), 30u);  // two rows of 15 bytes
    // The second row's first pixel follows the first row's fifth directly.
    EXPECT_EQ(d.rgb[15], p.pixel(0, 1)[0]);
    EXPECT_EQ(d.rgb[16], p.pixel(0, 1)[1]);
    EXPECT_EQ(d.rgb[17], p.pixel(0, 1)[2]);
}

TEST(DibDecode, CoreHeaderBareDibAndTopDownGiveTheSamePicture) {
    Picture p = testPicture(7, 5);
    BmpOptions core = options(8);
    core.coreHeader = true;
    expectPicture(makeBmp(p, core), p, "core header");
    core.fileHeader = false;
    expectPicture(makeBmp(p, core), p, "bare core header");
    BmpOptions bare = options(4);
    bare.fileHeader = false;
    expectPicture(makeBmp(p, bare), p, "bare info header");
    // A bare bit-field DIB keeps its masks between header and pixels.
    BmpOptions bareMasks = options(16, 3);
    bareMasks.fileHeader = false;
    bareMasks.masks[0] = 0xF800, bareMasks.masks[1] = 0x07E0, bareMasks.masks[2] = 0x001F;
    expectPicture(makeBmp(p, bareMasks), p, "bare bit fields");
    BmpOptions top = options(24);
    top.topDown = true;
    expectPicture(makeBmp(p, top), p, "top-down");
    top.bits = 8;
    expectPicture(makeBmp(p, top), p, "top-down 8 bits");
}

TEST(DibDecode, BitFieldChannelsScaleToFullRange) {
    // One 16-bit 565 pixel: red 16 of 31, green 32 of 63, blue 31 of 31.
    BmpOptions o = options(16, 3);
    o.masks[0] = 0xF800, o.masks[1] = 0x07E0, o.masks[2] = 0x001F;
    Bytes bytes = makeBmp(testPicture(1, 1), o);
    size_t pixelAt = bytes.size() - 4;
    setU16(bytes, pixelAt, 16u << 11 | 32u << 5 | 31u);
    DecodedDib d = decodeDibBytes(bytes);
    ASSERT_EQ(d.result, DibOk);
    EXPECT_EQ(d.rgb[0], (16 * 255 + 15) / 31);  // 132
    EXPECT_EQ(d.rgb[1], (32 * 255 + 31) / 63);  // 130
    EXPECT_EQ(d.rgb[2], 255);
}

TEST(DibDecode, RleEscapesSkipAndClip) {
    // A 4 x 3 RLE8 image: row 0 a run of 6 (clipped to 4) and end of line;
    // row 1 a delta of one pixel right, an absolute run of 3 with its pad
    // byte, end of line; row 2 left to the end-of-bitmap marker. Skipped
    // pixels are black.
    Bytes pixels = {6, 1, 0, 0, 0, 2, 1, 0, 0, 3, 2, 3, 4, 0, 0, 0, 0, 1};
    Bytes b;
    putU32(b, 40);
    putU32(b, 4);
    putU32(b, 3);
    putU16(b, 1);
    putU16(b, 8);
    putU32(b, 1);
    putU32(b, (uint32_t)pixels.size());
    putU32(b, 0);
    putU32(b, 0);
    putU32(b, 5);
    putU32(b, 0);
    for (int i = 0; i < 5; i++) {
        putU8(b, (uint32_t)(i * 10));  // blue
        putU8(b, (uint32_t)(i * 20));  // green
        putU8(b, (uint32_t)(i * 40));  // red
        putU8(b, 0);
    }
    b.insert(b.end(), pixels.begin(), pixels.end());
    DecodedDib d = decodeDibBytes(b);
    ASSERT_EQ(d.result, DibOk);
    auto red = [&](int x, int y) { return (int)d.rgb[((size_t)y * 4 + x) * 3]; };
    for (int x = 0; x < 4; x++) EXPECT_EQ(red(x, 0), 40);
    // The run of 6 is clipped at the row's end, not wrapped into row 1.
    EXPECT_EQ(red(0, 1), 0);
    EXPECT_EQ(red(1, 1), 80);
    EXPECT_EQ(red(2, 1), 120);
    EXPECT_EQ(red(3, 1), 160);
    for (int x = 0; x < 4; x++) EXPECT_EQ(red(x, 2), 0);
}

TEST(DibDecode, RefusesWhatItCannotRead) {
    Picture p = testPicture(4, 4);
    Bytes good = makeBmp(p, options(8));
    auto withU32 = [&](size_t at, uint32_t v) {
        Bytes b = good;
        setU32(b, at, v);
        return b;
    };
    auto withU16 = [&](size_t at, uint32_t v) {
        Bytes b = good;
        setU16(b, at, v);
        return b;
    };
    EXPECT_EQ(decodeDibBytes(withU32(14, 108)).result, DibUnknownFormat);  // V4 header
    EXPECT_EQ(decodeDibBytes(withU32(14, 64)).result, DibUnknownFormat);
    EXPECT_EQ(decodeDibBytes(Bytes{'B', 'M', 0}).result, DibUnknownFormat);
    EXPECT_EQ(decodeDibBytes(Bytes{}).result, DibUnknownFormat);
    EXPECT_EQ(decodeDibBytes(withU32(18, 0)).result, DibConversionError);           // width 0
    EXPECT_EQ(decodeDibBytes(withU32(18, 0xFFFFFFFF)).result, DibConversionError);  // width -1
    EXPECT_EQ(decodeDibBytes(withU32(22, 0)).result, DibConversionError);           // height 0
    EXPECT_EQ(decodeDibBytes(withU32(18, 3000000)).result, DibConversionError);     // more rows than bytes
    EXPECT_EQ(decodeDibBytes(withU16(26, 2)).result, DibConversionError);           // two planes
    EXPECT_EQ(decodeDibBytes(withU16(28, 64)).result, DibConversionError);          // 64 bits
    EXPECT_EQ(decodeDibBytes(withU16(28, 0)).result, DibConversionError);
    EXPECT_EQ(decodeDibBytes(withU32(30, 4)).result, DibConversionError);           // JPEG
    EXPECT_EQ(decodeDibBytes(withU32(30, 2)).result, DibConversionError);           // RLE4 with 8 bits
    EXPECT_EQ(decodeDibBytes(withU32(46, 0x12345678)).result, DibConversionError);  // palette past the end
    EXPECT_EQ(decodeDibBytes(withU32(10, 0x7FFFFFFF)).result, DibConversionError);  // pixels past the end

    // Bit fields that overlap or are not one run of ones.
    BmpOptions o = options(16, 3);
    o.masks[0] = 0xFF00, o.masks[1] = 0x0FF0, o.masks[2] = 0x000F;
    EXPECT_EQ(decodeDibBytes(makeBmp(p, o)).result, DibConversionError);
    o.masks[0] = 0xF0F0, o.masks[1] = 0x0F00, o.masks[2] = 0x000F;
    EXPECT_EQ(decodeDibBytes(makeBmp(p, o)).result, DibConversionError);
    o.masks[0] = 0x1F0000, o.masks[1] = 0x07E0, o.masks[2] = 0x001F;  // wider than the pixel
    EXPECT_EQ(decodeDibBytes(makeBmp(p, o)).result, DibConversionError);

    // Top-down run-length data does not exist.
    Bytes rle = makeBmp(p, options(8, 1));
    setU32(rle, 22, (uint32_t)-4);
    EXPECT_EQ(decodeDibBytes(rle).result, DibConversionError);
}

// Every prefix of every kind of file either decodes or is refused; an
// uncompressed one decodes only once all of its pixel bytes are there.
TEST(DibDecode, TruncatedAtEveryByteNeverReadsPastTheEnd) {
    Picture p = testPicture(5, 3);
    BmpOptions core = options(8);
    core.coreHeader = true;
    BmpOptions bf = options(32, 3);
    bf.masks[0] = 0xFF0000, bf.masks[1] = 0xFF00, bf.masks[2] = 0xFF;
    BmpOptions bare = options(4);
    bare.fileHeader = false;
    std::vector<BmpOptions> kinds = {options(1),  options(4),    options(8),   options(16),
                                     options(24), options(32),   bf,           core,
                                     bare,        options(8, 1), options(4, 2)};
    Picture mono = testPicture(5, 3, 2);
    for (const BmpOptions& o : kinds) {
        const Picture& pic = o.bits == 1 ? mono : p;
        Bytes whole = makeBmp(pic, o);
        bool rle = o.compression == 1 || o.compression == 2;
        size_t rowBytes = ((size_t)p.width * o.bits + 7) / 8;
        size_t lastPad = ((size_t)p.width * o.bits + 31) / 32 * 4 - rowBytes;
        for (size_t length = 0; length < whole.size(); length++) {
            Bytes cut(whole.begin(), whole.begin() + length);
            cut.shrink_to_fit();
            DecodedDib d = decodeDibBytes(cut);
            if (!rle) {
                bool complete = length + lastPad >= whole.size();
                EXPECT_EQ(d.result == DibOk, complete) << o.bits << " bits, " << length << " bytes";
                if (d.result == DibOk) {
                    EXPECT_TRUE(d.rgb == pic.rgb) << o.bits << " bits, " << length << " bytes";
                }
            }
        }
    }
}

TEST(DibDecode, CorruptingAnyHeaderByteFailsCleanly) {
    Picture p = testPicture(6, 4);
    BmpOptions bf = options(16, 3);
    bf.masks[0] = 0xF800, bf.masks[1] = 0x07E0, bf.masks[2] = 0x001F;
    std::vector<BmpOptions> kinds = {options(8), options(8, 1), options(4, 2), bf, options(24)};
    for (const BmpOptions& o : kinds) {
        Bytes whole = makeBmp(p, o);
        size_t headerEnd = whole.size() < 160 ? whole.size() : 160;
        for (size_t at = 0; at < headerEnd; at++) {
            for (uint8_t value : {0x00, 0x01, 0x08, 0x28, 0x7F, 0x80, 0xFE, 0xFF}) {
                Bytes corrupt = whole;
                corrupt[at] = value;
                corrupt.shrink_to_fit();
                DecodedDib d = decodeDibBytes(corrupt);
                if (d.result == DibOk) {
                    EXPECT_GT(d.width, 0);
                    EXPECT_GT(d.height, 0);
                }
            }
        }
    }
}

TEST(DibLoad, MissingFileIsSilentAndBrokenFilesSayWhy) {
    scriptedReset();
    TempDir dir;
    EXPECT_EQ(loadDibImage(dir.file("missing.bmp").c_str()), nullptr);
    EXPECT_TRUE(scriptedMessageBoxes().empty());

    ASSERT_TRUE(writeFile(dir.file("empty.bmp"), Bytes{}));
    Bytes v5 = makeBmp(testPicture(2, 2), options(24));
    setU32(v5, 14, 124);
    ASSERT_TRUE(writeFile(dir.file("v5.bmp"), v5));
    Bytes deep = makeBmp(testPicture(2, 2), options(24));
    setU16(deep, 28, 64);
    ASSERT_TRUE(writeFile(dir.file("deep.bmp"), deep));
    ASSERT_TRUE(writeFile(dir.file("good.bmp"), makeBmp(testPicture(2, 2), options(24))));

    EXPECT_EQ(loadDibImage(dir.file("empty.bmp").c_str()), nullptr);
    EXPECT_EQ(loadDibImage(dir.file("v5.bmp").c_str()), nullptr);
    EXPECT_EQ(loadDibImage(dir.file("deep.bmp").c_str()), nullptr);
    DibImage* good = loadDibImage(dir.file("good.bmp").c_str());
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->width, 2);
    freeDibImage(good);

    const auto& boxes = scriptedMessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Failed to open DIB file " + dir.file("empty.bmp") + ".\n");
    EXPECT_EQ(boxes[1].text, "Unknown DIB file format.");
    EXPECT_EQ(boxes[2].text, "Image file conversion error.");
    for (const auto& box : boxes) EXPECT_EQ(box.caption, "Error");
}

}  // namespace
