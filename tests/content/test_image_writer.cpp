// The generator's image writers: headers, row order, padding and checksums,
// checked against hand-computed bytes and an independent reader.
#include <gtest/gtest.h>

#include <cstring>

#include "content/image_writer.h"

static uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
static uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return (static_cast<uint32_t>(b[at]) << 24) | (b[at + 1] << 16) | (b[at + 2] << 8) | b[at + 3];
}

// A 5 x 2 picture whose pixels all differ, so any swapped row, channel or
// missing pad byte shows.
static Image testImage(int channels) {
    Image image = makeImage(5, 2, channels);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) {
            uint8_t* p = imagePixel(image, x, y);
            p[0] = static_cast<uint8_t>(10 * x + y);
            p[1] = static_cast<uint8_t>(100 + x);
            p[2] = static_cast<uint8_t>(200 + y);
            if (channels == 4) p[3] = static_cast<uint8_t>(x * 60);
        }
    return image;
}

TEST(ImageWriter, BmpIsBottomUpBgrWithPaddedRows) {
    const std::vector<uint8_t> bmp = encodeBmp(testImage(4));
    // 5 pixels * 3 bytes = 15, padded to 16; two rows after 54 header bytes.
    ASSERT_EQ(bmp.size(), 54u + 32u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(le32(bmp, 10), 54u);
    EXPECT_EQ(le32(bmp, 14), 40u);
    EXPECT_EQ(le32(bmp, 18), 5u);
    EXPECT_EQ(le32(bmp, 22), 2u);
    EXPECT_EQ(bmp[28], 24);
    // First stored row is the image's bottom row (y = 1); pixel x = 3 of it.
    EXPECT_EQ(bmp[54 + 9 + 0], 201);  // blue
    EXPECT_EQ(bmp[54 + 9 + 1], 103);  // green
    EXPECT_EQ(bmp[54 + 9 + 2], 31);   // red
    EXPECT_EQ(bmp[54 + 15], 0);       // pad byte
    EXPECT_EQ(bmp[54 + 16 + 2], 0);   // top row, x = 0: red = 0
    EXPECT_EQ(bmp[54 + 16 + 0], 200);
}

TEST(ImageWriter, TgaMatchesTheFixedHeaderAndKeepsAlpha) {
    for (int channels : {3, 4}) {
        const std::vector<uint8_t> tga = encodeTga(testImage(channels));
        ASSERT_EQ(tga.size(), 18u + 10u * channels);
        const uint8_t fixed[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(std::memcmp(tga.data(), fixed, 12), 0);
        EXPECT_EQ(tga[12] | (tga[13] << 8), 5);
        EXPECT_EQ(tga[14] | (tga[15] << 8), 2);
        EXPECT_EQ(tga[16], channels * 8);
        // Bottom row first; pixel x = 2 of it in B, G, R(, A).
        const uint8_t* p = &tga[18 + 2 * channels];
        EXPECT_EQ(p[0], 201);
        EXPECT_EQ(p[1], 102);
        EXPECT_EQ(p[2], 21);
        if (channels == 4) {
            EXPECT_EQ(p[3], 120);
        }
    }
}

TEST(ImageWriter, PngChunksCarryValidChecksumsAndTheRawRows) {
    const Image image = testImage(3);
    const std::vector<uint8_t> png = encodePng(image);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
    // Known CRC-32 of "IEND" with no data.
    const uint8_t iend[4] = {'I', 'E', 'N', 'D'};
    EXPECT_EQ(crc32Bytes(iend, 4), 0xae426082u);
    size_t at = 8;
    std::vector<uint8_t> idat;
    int chunks = 0;
    while (at + 12 <= png.size()) {
        const uint32_t length = be32(png, at);
        ASSERT_LE(at + 12 + length, png.size());
        EXPECT_EQ(crc32Bytes(&png[at + 4], length + 4), be32(png, at + 8 + length));
        if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) idat.assign(&png[at + 8], &png[at + 8 + length]);
        at += 12 + length;
        ++chunks;
    }
    EXPECT_EQ(at, png.size());
    EXPECT_EQ(chunks, 3);
    // zlib header, one final stored block of 2 * (1 + 15) bytes, Adler-32.
    ASSERT_EQ(idat.size(), 2u + 5u + 32u + 4u);
    EXPECT_EQ((idat[0] * 256 + idat[1]) % 31, 0);
    EXPECT_EQ(idat[2], 1);
    EXPECT_EQ(idat[3] | (idat[4] << 8), 32);
    EXPECT_EQ(idat[7], 0);                                       // filter of row 0
    EXPECT_EQ(idat[7 + 1 + 3 * 4], imagePixel(image, 4, 0)[0]);  // red of (4, 0)
}

TEST(ImageWriter, InvalidImagesGiveNoBytes) {
    Image bad = makeImage(4, 4, 3);
    bad.pixels.pop_back();
    EXPECT_TRUE(encodeBmp(bad).empty());
    EXPECT_TRUE(encodeTga(bad).empty());
    EXPECT_TRUE(encodePng(bad).empty());
    EXPECT_TRUE(encodeTga(makeImage(70000, 1, 3)).empty());
}
