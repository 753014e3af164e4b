// Readers and writers of lx360render: pixel order and row order of every
// accepted layout, refusal of malformed headers without leaving a buffer
// behind, and the bytes of the written frames.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "render/frames.h"
#include "tools/lx360render/image_io.h"

#if LX_HAVE_JPEG
#include <jpeglib.h>
#endif
#if LX_HAVE_PNG
#include <png.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

// A 3 x 3 picture (odd width, so 24-bit BMP rows carry padding) with a
// different colour and fourth byte in every pixel. yTop counts from the top.
constexpr int kW = 3;
constexpr int kH = 3;
uint8_t Red(int x, int yTop) { return uint8_t(10 * x + 1 + 40 * yTop); }
uint8_t Green(int x, int yTop) { return uint8_t(100 + 10 * yTop + x); }
uint8_t Blue(int x, int yTop) { return uint8_t(200 + x + 3 * yTop); }
uint8_t Fourth(int x, int yTop) { return uint8_t(0x40 + x + 3 * yTop); }

std::string TempPath(const std::string& name) { return ::testing::TempDir() + "lxio_" + name; }

std::string WriteFile(const std::string& name, const Bytes& bytes) {
    const std::string path = TempPath(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
    return path;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

Bytes Ppm(const std::string& header) {
    Bytes b(header.begin(), header.end());
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) b.insert(b.end(), {Red(x, y), Green(x, y), Blue(x, y)});
    return b;
}

struct BmpLayout {
    uint32_t infoSize = 40;
    int32_t width = kW;
    int32_t height = kH;  // negative: top-down
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    bool masks = false;  // B, G, R, X masks after a 40-byte header or inside a longer one
    uint32_t redMask = 0x00FF0000;
    int64_t dataOffset = -1;  // -1: straight after the headers
    int dropBytes = 0;        // cut from the end of the file
};

Bytes Bmp(const BmpLayout& l) {
    const bool topDown = l.height < 0;
    const int64_t rows = topDown ? -int64_t(l.height) : l.height;
    const size_t rowBytes = (size_t(l.width > 0 ? l.width : 0) * (l.bitCount / 8) + 3) & ~size_t(3);
    const uint32_t headers = 14 + l.infoSize + (l.masks && l.infoSize == 40 ? 12 : 0);
    const uint32_t offset = l.dataOffset < 0 ? headers : uint32_t(l.dataOffset);

    Bytes b = {'B', 'M'};
    Put32(b, uint32_t(offset + rowBytes * size_t(rows)));
    Put32(b, 0);
    Put32(b, offset);
    Bytes info;
    Put32(info, l.infoSize);
    Put32(info, uint32_t(l.width));
    Put32(info, uint32_t(l.height));
    Put16(info, l.planes);
    Put16(info, l.bitCount);
    Put32(info, l.compression);
    Put32(info, uint32_t(rowBytes * size_t(rows)));
    for (int i = 0; i < 4; ++i) Put32(info, 0);
    if (l.masks) {
        Put32(info, l.redMask);
        Put32(info, 0x0000FF00);
        Put32(info, 0x000000FF);
    }
    // Headers and offsets past any real file are declared but not padded out.
    if (l.infoSize <= 124) info.resize(std::max<size_t>(info.size(), l.infoSize), 0);
    b.insert(b.end(), info.begin(), info.end());
    if (offset > 4096) return b;
    b.resize(std::max<size_t>(b.size(), offset), 0);
    // Pixels only for the 3 x 3 picture; other sizes are declared, not filled.
    for (int fileRow = 0; fileRow < rows && l.width == kW && rows <= kH; ++fileRow) {
        const int yTop = topDown ? fileRow : int(rows) - 1 - fileRow;
        Bytes row;
        for (int x = 0; x < kW; ++x) {
            row.insert(row.end(), {Blue(x, yTop), Green(x, yTop), Red(x, yTop)});
            if (l.bitCount == 32) row.push_back(Fourth(x, yTop));
        }
        row.resize(rowBytes, 0xEE);  // padding must never reach the picture
        b.insert(b.end(), row.begin(), row.end());
    }
    b.resize(b.size() - size_t(l.dropBytes));
    return b;
}

struct ImageIoTest : ::testing::Test {
    void TearDown() override { lx::ReleaseSource(); }
};

// ------------------------------------------------------------ accepted files

struct GoodCase {
    const char* name;
    Bytes bytes;
    bool keepsFourthByte;
};

std::vector<GoodCase> GoodCases() {
    BmpLayout topDown24;
    topDown24.height = -kH;
    BmpLayout bottomUp32;
    bottomUp32.bitCount = 32;
    BmpLayout topDown32 = bottomUp32;
    topDown32.height = -kH;
    BmpLayout fields40 = bottomUp32;
    fields40.compression = 3;
    fields40.masks = true;
    BmpLayout fieldsV5 = fields40;
    fieldsV5.infoSize = 124;
    BmpLayout gap;  // pixel data further on than the headers end
    gap.dataOffset = 54 + 37;
    return {
        {"ppm", Ppm("P6\n3 3\n255\n"), false},
        {"ppm_comments", Ppm("P6 # made by hand\n#second\n 3\t3 # size\n255\r"), false},
        {"bmp24_bottom_up", Bmp(BmpLayout{}), false},
        {"bmp24_top_down", Bmp(topDown24), false},
        {"bmp24_data_gap", Bmp(gap), false},
        {"bmp32_bottom_up", Bmp(bottomUp32), true},
        {"bmp32_top_down", Bmp(topDown32), true},
        {"bmp32_bitfields_40", Bmp(fields40), true},
        {"bmp32_bitfields_v5", Bmp(fieldsV5), true},
    };
}

TEST_F(ImageIoTest, EveryLayoutGivesTheSameBottomUpPixels) {
    for (const GoodCase& c : GoodCases()) {
        SCOPED_TRACE(c.name);
        const lx::tool::IoResult r = lx::tool::LoadSourcePicture(WriteFile(c.name, c.bytes));
        ASSERT_TRUE(r.ok) << r.error;
        const lx::SourceFrame& s = lx::sourceFrame;
        ASSERT_EQ(s.width, kW);
        ASSERT_EQ(s.height, kH);
        ASSERT_EQ(s.rowBytes, 4 * kW);
        ASSERT_GE(s.capacity, lx::SourceBufferBytes(kW, kH));
        for (int row = 0; row < kH; ++row) {
            const int yTop = kH - 1 - row;
            for (int x = 0; x < kW; ++x) {
                const uint8_t* p = s.pixels.get() + row * s.rowBytes + 4 * x;
                const uint8_t fourth = c.keepsFourthByte ? Fourth(x, yTop) : 0xFF;
                EXPECT_EQ(p[0], Blue(x, yTop)) << "row " << row << " column " << x;
                EXPECT_EQ(p[1], Green(x, yTop)) << "row " << row << " column " << x;
                EXPECT_EQ(p[2], Red(x, yTop)) << "row " << row << " column " << x;
                EXPECT_EQ(p[3], fourth) << "row " << row << " column " << x;
            }
        }
        // The slack past the picture stays zero for the remaps to read.
        for (size_t i = size_t(kH) * s.rowBytes; i < s.capacity; ++i) ASSERT_EQ(s.pixels[i], 0);
    }
}

// ------------------------------------------------------------ refused files

struct BadCase {
    const char* name;
    Bytes bytes;
    const char* expected;  // part of the message
};

BmpLayout With(void (*change)(BmpLayout&)) {
    BmpLayout l;
    change(l);
    return l;
}

std::vector<BadCase> BadCases() {
    const Bytes good = Ppm("P6\n3 3\n255\n");
    return {
        {"ppm_short_data", Bytes(good.begin(), good.end() - 1), "truncated"},
        {"ppm_header_only", Bytes{'P', '6', '\n', '3', ' ', '3'}, "corrupt"},
        {"ppm_no_space_after_magic", Ppm("P63 3\n255\n"), "corrupt"},
        {"ppm_no_space_after_maxval", Ppm("P6\n3 3\n255"), "corrupt"},
        {"ppm_negative_width", Ppm("P6\n-3 3\n255\n"), "corrupt"},
        {"ppm_maxval_0", Ppm("P6\n3 3\n0\n"), "corrupt"},
        {"ppm_maxval_70000", Ppm("P6\n3 3\n70000\n"), "corrupt"},
        {"ppm_maxval_256", Ppm("P6\n3 3\n256\n"), "unsupported"},
        {"ppm_width_overflows", Ppm("P6\n99999999999999999999999 3\n255\n"), "too large"},
        {"ppm_width_past_int32", Ppm("P6\n4294967299 3\n255\n"), "too large"},
        {"ppm_zero_width", Ppm("P6\n0 3\n255\n"), "too small"},
        {"ppm_ascii", Ppm("P3\n3 3\n255\n"), "unsupported"},
        {"bmp_only_magic", Bytes{'B', 'M'}, "corrupt"},
        {"bmp_os2_header", Bmp(With([](BmpLayout& l) { l.infoSize = 12; })), "unsupported"},
        {"bmp_header_size_41", Bmp(With([](BmpLayout& l) { l.infoSize = 41; })), "corrupt"},
        {"bmp_header_size_huge",
         Bmp(With([](BmpLayout& l) { l.infoSize = 0xFFFFFFF0u; l.dataOffset = 54; })), "corrupt"},
        {"bmp_planes_2", Bmp(With([](BmpLayout& l) { l.planes = 2; })), "corrupt"},
        {"bmp_16_bit", Bmp(With([](BmpLayout& l) { l.bitCount = 16; })), "unsupported"},
        {"bmp_48_bit", Bmp(With([](BmpLayout& l) { l.bitCount = 48; })), "corrupt"},
        {"bmp_rle8", Bmp(With([](BmpLayout& l) { l.compression = 1; })), "unsupported"},
        {"bmp_bitfields_24_bit",
         Bmp(With([](BmpLayout& l) { l.compression = 3; l.masks = true; })), "unsupported"},
        {"bmp_bitfields_other_masks",
         Bmp(With([](BmpLayout& l) {
             l.bitCount = 32; l.compression = 3; l.masks = true; l.redMask = 0xFF000000;
         })),
         "unsupported"},
        {"bmp_zero_width", Bmp(With([](BmpLayout& l) { l.width = 0; })), "corrupt"},
        {"bmp_negative_width", Bmp(With([](BmpLayout& l) { l.width = -3; })), "corrupt"},
        {"bmp_zero_height", Bmp(With([](BmpLayout& l) { l.height = 0; })), "corrupt"},
        {"bmp_int32_min_height", Bmp(With([](BmpLayout& l) { l.height = INT32_MIN; })), "corrupt"},
        {"bmp_two_rows", Bmp(With([](BmpLayout& l) { l.height = 2; })), "too small"},
        {"bmp_too_wide", Bmp(With([](BmpLayout& l) { l.width = 16385; })), "too large"},
        // Accepted size, but a file far too short for it: refused before any allocation.
        {"bmp_largest_size_tiny_file",
         Bmp(With([](BmpLayout& l) { l.width = 16384; l.height = -8192; l.bitCount = 32; })),
         "truncated"},
        {"bmp_offset_inside_header", Bmp(With([](BmpLayout& l) { l.dataOffset = 20; })), "corrupt"},
        {"bmp_offset_past_end", Bmp(With([](BmpLayout& l) { l.dataOffset = 0x7FFFFFFF; })),
         "truncated"},
        {"bmp_short_data", Bmp(With([](BmpLayout& l) { l.dropBytes = 1; })), "truncated"},
        {"empty", Bytes{}, "empty"},
        {"png_signature", Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, "unsupported"},
    };
}

TEST_F(ImageIoTest, MalformedFilesAreRefusedWithoutABuffer) {
    for (const BadCase& c : BadCases()) {
        SCOPED_TRACE(c.name);
        // A picture loaded before must not survive a failed load either.
        ASSERT_TRUE(lx::AllocateSource(4, 4));
        const std::string path = WriteFile(c.name, c.bytes);
        const lx::tool::IoResult r = lx::tool::LoadSourcePicture(path);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(path), std::string::npos) << r.error;
        EXPECT_NE(r.error.find(c.expected), std::string::npos) << r.error;
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;
        EXPECT_FALSE(lx::sourceFrame.pixels);
    }
}

TEST_F(ImageIoTest, MissingFileAndDirectoryAreRefused) {
    for (const std::string& path : {TempPath("does_not_exist.ppm"), ::testing::TempDir()}) {
        const lx::tool::IoResult r = lx::tool::LoadSourcePicture(path);
        EXPECT_FALSE(r.ok) << path;
        EXPECT_NE(r.error.find("cannot"), std::string::npos) << r.error;
    }
}

TEST_F(ImageIoTest, ControlCharactersInNamesDoNotBreakTheLine) {
    EXPECT_EQ(lx::tool::PrintableName("a\nb\rc\x1b" "d"), "a?b?c?d");
}

#if LX_HAVE_JPEG

// A 16 x 8 JPEG: red top half, blue bottom half.
Bytes RedOverBlueJpeg() {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = 16;
    cinfo.image_height = 8;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    Bytes line(16 * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const bool top = cinfo.next_scanline < 4;
        for (int x = 0; x < 16; ++x) {
            line[3 * x] = top ? 255 : 0;
            line[3 * x + 1] = 0;
            line[3 * x + 2] = top ? 0 : 255;
        }
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes bytes(out, out + size);
    jpeg_destroy_compress(&cinfo);
    free(out);
    return bytes;
}

TEST_F(ImageIoTest, JpegDecodesBottomUpWithOpaqueFourthByte) {
    const lx::tool::IoResult r = lx::tool::LoadSourcePicture(WriteFile("rb.jpg", RedOverBlueJpeg()));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(lx::sourceFrame.width, 16);
    ASSERT_EQ(lx::sourceFrame.height, 8);
    const uint8_t* bottom = lx::sourceFrame.pixels.get();
    const uint8_t* top = bottom + 7 * lx::sourceFrame.rowBytes;
    EXPECT_GT(bottom[0], 200);  // blue
    EXPECT_LT(bottom[2], 50);
    EXPECT_LT(top[0], 50);  // red
    EXPECT_GT(top[2], 200);
    EXPECT_EQ(bottom[3], 0xFF);
    EXPECT_EQ(top[3], 0xFF);
}

TEST_F(ImageIoTest, CutOrMalformedJpegIsAnError) {
    const Bytes jpeg = RedOverBlueJpeg();
    std::vector<std::pair<std::string, Bytes>> cases;
    for (size_t keep : {size_t(3), size_t(20), jpeg.size() / 2, jpeg.size() - 2}) {
        cases.emplace_back("cut_at_" + std::to_string(keep),
                           Bytes(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(keep)));
    }
    // The frame header with a width past the renderer's limit.
    Bytes wide = jpeg;
    for (size_t i = 2; i + 8 < wide.size(); ++i) {
        if (wide[i] == 0xFF && wide[i + 1] == 0xC0) {
            wide[i + 7] = 0x50;  // width 0x5010 = 20496
            break;
        }
    }
    cases.emplace_back("too_wide", wide);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const lx::tool::IoResult r = lx::tool::LoadSourcePicture(WriteFile(c.first + ".jpg", c.second));
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << r.error;
        EXPECT_FALSE(lx::sourceFrame.pixels);
    }
}

#endif  // LX_HAVE_JPEG

// ------------------------------------------------------------ writers

// A 3 x 2 frame with known bytes, set up the way source preparation leaves it.
struct WriterTest : ImageIoTest {
    void SetUp() override {
        lx::OutputFrame& out = lx::outputFrame;
        out.pixels = lx::AllocatePixels(lx::kOutputBufferBytes);
        ASSERT_TRUE(out.pixels);
        out.width = 3;
        out.height = 2;
        out.pixelCount = 6;
        out.byteCount = 24;
        out.header = lx::BitmapInfoHeader{40, 3, 2, 1, 32, 0, 24, 0, 0, 0, 0};
        for (int i = 0; i < 24; ++i) out.pixels[i] = uint8_t(7 * i + 1);
    }
    void TearDown() override {
        lx::outputFrame.pixels.reset();
        lx::outputFrame = lx::OutputFrame{};
        ImageIoTest::TearDown();
    }
};

TEST_F(WriterTest, BmpHoldsTheHeaderAndThePixelsAsRendered) {
    const std::string path = TempPath("frame.bmp");
    const lx::tool::IoResult r = lx::tool::WriteOutputBmp(path);
    ASSERT_TRUE(r.ok) << r.error;
    const Bytes file = ReadFile(path);
    ASSERT_EQ(file.size(), 54u + 24u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(file[2], 78);
    EXPECT_EQ(file[10], 54);
    EXPECT_EQ(0, std::memcmp(file.data() + 14, &lx::outputFrame.header, 40));
    EXPECT_EQ(0, std::memcmp(file.data() + 54, lx::outputFrame.pixels.get(), 24));
}

TEST_F(WriterTest, InconsistentFrameIsNotWritten) {
    lx::outputFrame.byteCount = 28;
    const std::string path = TempPath("inconsistent.bmp");
    std::remove(path.c_str());
    EXPECT_FALSE(lx::tool::WriteOutputBmp(path).ok);
    EXPECT_FALSE(std::ifstream(path).good());
}

TEST_F(WriterTest, FailedWriteLeavesAnExistingDirectoryAlone) {
    const std::string dir = TempPath("out_dir.bmp");
    ::mkdir(dir.c_str(), 0755);
    const lx::tool::IoResult r = lx::tool::WriteOutputBmp(dir);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("cannot write"), std::string::npos) << r.error;
    struct stat info {};
    EXPECT_EQ(::stat(dir.c_str(), &info), 0) << "the directory was removed";
    ::rmdir(dir.c_str());
}

TEST(ImageIoNames, PngIsChosenByNameInAnyCase) {
    EXPECT_TRUE(lx::tool::HasPngExtension("a.png"));
    EXPECT_TRUE(lx::tool::HasPngExtension("dir/A.PnG"));
    EXPECT_FALSE(lx::tool::HasPngExtension("png"));
    EXPECT_FALSE(lx::tool::HasPngExtension("a.png.bmp"));
    EXPECT_FALSE(lx::tool::HasPngExtension("a.bmp"));
}

#if LX_HAVE_PNG

TEST_F(WriterTest, PngHoldsRgbRowsTopDown) {
    const std::string path = TempPath("frame.png");
    const lx::tool::IoResult r = lx::tool::WriteOutputFrame(path);
    ASSERT_TRUE(r.ok) << r.error;

    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    EXPECT_EQ(image.width, 3u);
    EXPECT_EQ(image.height, 2u);
    image.format = PNG_FORMAT_RGB;
    Bytes rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    for (int topRow = 0; topRow < 2; ++topRow) {
        for (int x = 0; x < 3; ++x) {
            const uint8_t* bgrx = lx::outputFrame.pixels.get() + (1 - topRow) * 12 + 4 * x;
            const uint8_t* p = rgb.data() + topRow * 9 + 3 * x;
            EXPECT_EQ(p[0], bgrx[2]);
            EXPECT_EQ(p[1], bgrx[1]);
            EXPECT_EQ(p[2], bgrx[0]);
        }
    }
}

#endif  // LX_HAVE_PNG

}  // namespace
