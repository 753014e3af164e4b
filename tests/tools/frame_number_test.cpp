// The numbered test videos and the reader of their numbers: every frame of
// every playable video, as ffmpeg decodes it, reads back as its own index and
// upright; the same frames upside down, and pictures that are not test frames,
// read as no number; the files that carry no video carry what they claim.
//
// usage: frame_number_test path/to/make_test_videos.sh OUTDIR [bench] [gtest flags]
//   Runs the script once into OUTDIR (created when missing), then checks what
//   it made. With "bench" the script also makes the large performance videos
//   and they are checked too (slower). ffmpeg and ffprobe are taken from PATH,
//   or from the FFMPEG and FFPROBE environment variables; FFMPEG reaches the
//   script as well.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/frame_number.h"
#include "support/random_bytes.h"

namespace {

using Bytes = std::vector<uint8_t>;
using lx::testing::ReadFrameNumber;
using lx::testing::ShowsUpright;

// --- the picture the videos show, drawn here for the reader's own tests --------

// One test frame, bottom-up BGRX as the reader takes it. value(x, top) gives
// the grey of column x, row top (0 = top of the picture).
template <typename Value>
Bytes Paint(int32_t width, int32_t height, Value value) {
    Bytes pixels(size_t(width) * size_t(height) * 4);
    for (int32_t top = 0; top < height; ++top) {
        uint8_t* row = pixels.data() + size_t(height - 1 - top) * size_t(width) * 4;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t v = value(x, top);
            row[4 * x + 0] = v;
            row[4 * x + 1] = v;
            row[4 * x + 2] = v;
            row[4 * x + 3] = 0xFF;
        }
    }
    return pixels;
}

uint8_t Gradient(int32_t top, int32_t height) { return uint8_t(224 - 192 * top / height); }
bool InBand(int32_t top, int32_t height) { return 10 * top >= 4 * height && 10 * top < 6 * height; }
bool Bit(int32_t number, int32_t x, int32_t width) { return (number >> (x * 16 / width)) & 1; }

Bytes TestFrame(int32_t width, int32_t height, int32_t number) {
    return Paint(width, height, [=](int32_t x, int32_t top) {
        if (!InBand(top, height)) return Gradient(top, height);
        return uint8_t(Bit(number, x, width) ? 255 : 0);
    });
}

// The rows in the opposite order: the picture upside down.
Bytes Flipped(const Bytes& pixels, int32_t width, int32_t height) {
    const size_t stride = size_t(width) * 4;
    Bytes out(pixels.size());
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(out.data() + size_t(y) * stride, pixels.data() + size_t(height - 1 - y) * stride,
                    stride);
    return out;
}

// --- the reader on drawn pictures ------------------------------------------------

struct Size {
    int32_t width;
    int32_t height;
};

TEST(ReadFrameNumber, ReadsEveryNumberAtEverySize) {
    // The smallest size it reads, the sizes of the videos, and sizes whose
    // width is no multiple of 16 or whose height is odd.
    const Size sizes[] = {{32, 20}, {64, 32}, {256, 128}, {250, 131}, {1000, 37}, {1920, 960}};
    const int32_t numbers[] = {0, 1, 2, 0x8000, 0x5555, 0xAAAA, 12345, 65535};
    for (const Size& s : sizes) {
        for (int32_t n : numbers) {
            SCOPED_TRACE(::testing::Message() << s.width << "x" << s.height << " number " << n);
            const Bytes frame = TestFrame(s.width, s.height, n);
            EXPECT_EQ(ReadFrameNumber(frame.data(), s.width, s.height), n);
            EXPECT_TRUE(ShowsUpright(frame.data(), s.width, s.height));
            const Bytes upsideDown = Flipped(frame, s.width, s.height);
            EXPECT_EQ(ReadFrameNumber(upsideDown.data(), s.width, s.height), -1);
            EXPECT_FALSE(ShowsUpright(upsideDown.data(), s.width, s.height));
        }
    }
}

TEST(ReadFrameNumber, PicturesThatAreNoTestFrameReadAsNoNumber) {
    constexpr int32_t kW = 256;
    constexpr int32_t kH = 128;
    constexpr int32_t kNumber = 0x2D3C;
    Bytes noise(size_t(kW) * kH * 4);
    lx::testing::FillRandom(noise.data(), noise.size(), 7);
    struct Case {
        const char* name;
        Bytes pixels;
        bool upright;  // what ShowsUpright says of it
    };
    const Case cases[] = {
        {"uniform grey", Paint(kW, kH, [](int32_t, int32_t) { return uint8_t(128); }), false},
        {"black", Paint(kW, kH, [](int32_t, int32_t) { return uint8_t(0); }), false},
        {"white", Paint(kW, kH, [](int32_t, int32_t) { return uint8_t(255); }), false},
        {"random bytes", noise, false},
        // Blocks grey where lossy coding or a blend of two frames would leave them.
        {"one block half-way grey", Paint(kW, kH,
                                          [](int32_t x, int32_t top) {
                                              if (!InBand(top, kH)) return Gradient(top, kH);
                                              if (x * 16 / kW == 9) return uint8_t(128);
                                              return uint8_t(Bit(kNumber, x, kW) ? 255 : 0);
                                          }),
         true},
        {"blocks blended with the next frame", Paint(kW, kH,
                                                     [](int32_t x, int32_t top) {
                                                         if (!InBand(top, kH)) return Gradient(top, kH);
                                                         const int a = Bit(kNumber, x, kW) ? 255 : 0;
                                                         const int b = Bit(kNumber + 1, x, kW) ? 255 : 0;
                                                         return uint8_t((a + b) / 2);
                                                     }),
         true},
        // The band on a black background: the rows around it are no gradient.
        {"band without gradient", Paint(kW, kH,
                                        [](int32_t x, int32_t top) {
                                            if (!InBand(top, kH)) return uint8_t(0);
                                            return uint8_t(Bit(kNumber, x, kW) ? 255 : 0);
                                        }),
         false},
        // The band a tenth of the height higher, as a picture cropped or
        // scaled wrongly would put it.
        {"band moved up", Paint(kW, kH,
                                [](int32_t x, int32_t top) {
                                    const int32_t moved = top + kH / 10;
                                    if (!InBand(moved, kH)) return Gradient(top, kH);
                                    return uint8_t(Bit(kNumber, x, kW) ? 255 : 0);
                                }),
         true},
        // The band at the place an upside-down picture has it, but the
        // gradient the right way up.
        {"gradient upside down only", Paint(kW, kH,
                                            [](int32_t x, int32_t top) {
                                                if (!InBand(top, kH)) return Gradient(kH - 1 - top, kH);
                                                return uint8_t(Bit(kNumber, x, kW) ? 255 : 0);
                                            }),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadFrameNumber(c.pixels.data(), kW, kH), -1);
        EXPECT_EQ(ShowsUpright(c.pixels.data(), kW, kH), c.upright);
    }
}

TEST(ReadFrameNumber, RefusesSizesTooSmallOrInvalidWithoutReading) {
    // Each size is passed with a buffer big enough for its area when that is
    // positive, or with no buffer: the reader must not read past either.
    const Size sizes[] = {{31, 128}, {256, 19}, {0, 128}, {256, 0}, {-256, 128}, {256, -128},
                          {INT32_MIN, INT32_MIN}};
    for (const Size& s : sizes) {
        SCOPED_TRACE(::testing::Message() << s.width << "x" << s.height);
        Bytes pixels;
        if (s.width > 0 && s.height > 0) pixels = TestFrame(s.width, s.height, 3);
        const uint8_t* p = pixels.empty() ? nullptr : pixels.data();
        EXPECT_EQ(ReadFrameNumber(p, s.width, s.height), -1);
        EXPECT_FALSE(ShowsUpright(p, s.width, s.height));
    }
    EXPECT_EQ(ReadFrameNumber(nullptr, 256, 128), -1);
    EXPECT_FALSE(ShowsUpright(nullptr, 256, 128));
}

// --- running the script and ffmpeg ---------------------------------------------

std::string g_script;
std::string g_dir;
bool g_bench = false;

std::string Tool(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0' ? value : fallback;
}

std::string Quote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct CommandResult {
    int status = -1;  // the exit status, or -1 when the command did not end normally
    Bytes output;
};

// Runs a shell command and collects its standard output.
CommandResult RunCommand(const std::string& command) {
    CommandResult run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    uint8_t buffer[1 << 16];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.insert(run.output.end(), buffer, buffer + n);
    const int status = pclose(pipe);
    if (status != -1 && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::string PathOf(const std::string& name) { return g_dir + "/" + name; }

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// key=value lines ffprobe prints about one stream ("v:0", "a:0"); empty when
// the file has no such stream or cannot be read.
std::map<std::string, std::string> Probe(const std::string& path, const char* stream) {
    const CommandResult run = RunCommand(Quote(Tool("FFPROBE", "ffprobe")) + " -v error -select_streams " +
                               stream + " -show_entries stream=codec_name,width,height" +
                               " -of default=nw=1 " + Quote(path) + " 2>/dev/null");
    std::map<std::string, std::string> fields;
    std::istringstream lines(Text(run.output));
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) fields.emplace(line.substr(0, eq), line.substr(eq + 1));
    }
    return fields;
}

// ffmpeg's decoding of every video frame, top row first, one frame after the
// other with no frame repeated or dropped to fit a frame rate, handed to
// onFrame one at a time: the large videos decode to many gigabytes. Error
// messages go to a log next to the file.
struct Decoding {
    int status = -1;  // ffmpeg's exit status
    size_t frames = 0;
    size_t trailingBytes = 0;  // bytes after the last whole frame
};

template <typename OnFrame>
Decoding DecodeFrames(const std::string& path, int32_t width, int32_t height, OnFrame onFrame) {
    Decoding d;
    const std::string command = Quote(Tool("FFMPEG", "ffmpeg")) + " -nostdin -v error -i " +
                                Quote(path) +
                                " -map 0:v:0 -fps_mode passthrough -f rawvideo -pix_fmt bgra - 2>" +
                                Quote(path + ".decode.log");
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return d;
    Bytes frame(size_t(width) * size_t(height) * 4);
    size_t filled = 0;
    size_t n;
    while ((n = std::fread(frame.data() + filled, 1, frame.size() - filled, pipe)) > 0) {
        filled += n;
        if (filled == frame.size()) {
            onFrame(frame.data());
            ++d.frames;
            filled = 0;
        }
    }
    d.trailingBytes = filled;
    const int status = pclose(pipe);
    if (status != -1 && WIFEXITED(status)) d.status = WEXITSTATUS(status);
    return d;
}

std::string DecodeLog(const std::string& path) { return Text(ReadFile(path + ".decode.log")); }

// The frames the reader sees in a decoding: the rows turned bottom-up.
struct Reading {
    Decoding decoding;
    std::vector<int32_t> numbers;
    std::vector<bool> upright;
    // What the frames read as when passed top row first, as a player that
    // forgets the row order would: all should be -1 and not upright.
    size_t upsideDownReadable = 0;
    size_t upsideDownUpright = 0;
};

Reading ReadFrames(const std::string& path, int32_t width, int32_t height) {
    Reading r;
    const size_t stride = size_t(width) * 4;
    Bytes bottomUp(stride * size_t(height));
    r.decoding = DecodeFrames(path, width, height, [&](const uint8_t* topDown) {
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(bottomUp.data() + size_t(y) * stride, topDown + size_t(height - 1 - y) * stride,
                        stride);
        r.numbers.push_back(ReadFrameNumber(bottomUp.data(), width, height));
        r.upright.push_back(ShowsUpright(bottomUp.data(), width, height));
        if (ReadFrameNumber(topDown, width, height) != -1) ++r.upsideDownReadable;
        if (ShowsUpright(topDown, width, height)) ++r.upsideDownUpright;
    });
    return r;
}

// The frames of a reading that are not the index they should be, up to a few.
std::string Mismatches(const Reading& r, int32_t firstNumber = 0) {
    std::ostringstream out;
    int shown = 0;
    for (size_t i = 0; i < r.numbers.size() && shown < 8; ++i) {
        if (r.numbers[i] == firstNumber + int32_t(i) && r.upright[i]) continue;
        out << " frame " << i << " reads " << r.numbers[i] << (r.upright[i] ? "" : " not upright")
            << ";";
        ++shown;
    }
    return out.str();
}

struct Made {
    CommandResult run;
};
Made* g_made = nullptr;

class MakeVideos : public ::testing::Environment {
public:
    void SetUp() override {
        g_made = new Made;
        g_made->run = RunCommand("FFMPEG=" + Quote(Tool("FFMPEG", "ffmpeg")) + " sh " + Quote(g_script) +
                                 " " + Quote(g_dir) + (g_bench ? " bench" : "") + " 2>&1");
    }
    void TearDown() override {
        delete g_made;
        g_made = nullptr;
    }
};

#define ASSERT_VIDEOS_MADE()                                                          \
    ASSERT_TRUE(g_made != nullptr && g_made->run.status == 0)                         \
        << "make_test_videos.sh failed: " << (g_made ? Text(g_made->run.output) : "")

TEST(MakeTestVideos, SucceedsSilently) {
    ASSERT_NE(g_made, nullptr);
    EXPECT_EQ(g_made->run.status, 0);
    EXPECT_EQ(Text(g_made->run.output), "");
}

// --- the playable videos --------------------------------------------------------

struct Video {
    const char* file;
    const char* videoCodec;
    const char* audioCodec;  // "" when the file has no sound
    int32_t width;
    int32_t height;
    size_t frames;
};

void PrintTo(const Video& v, std::ostream* os) { *os << v.file; }

void ExpectEveryFrameReadsItsIndexUpright(const Video& v) {
    ASSERT_VIDEOS_MADE();
    const std::string path = PathOf(v.file);

    const auto video = Probe(path, "v:0");
    EXPECT_EQ(video.count("codec_name") ? video.at("codec_name") : "(none)", v.videoCodec);
    ASSERT_EQ(video.count("width") ? video.at("width") : "(none)", std::to_string(v.width));
    ASSERT_EQ(video.count("height") ? video.at("height") : "(none)", std::to_string(v.height));
    const auto audio = Probe(path, "a:0");
    EXPECT_EQ(audio.count("codec_name") ? audio.at("codec_name") : "", v.audioCodec);

    const Reading r = ReadFrames(path, v.width, v.height);
    ASSERT_EQ(r.decoding.status, 0) << DecodeLog(path);
    EXPECT_EQ(r.decoding.trailingBytes, 0u);
    EXPECT_EQ(r.decoding.frames, v.frames);
    EXPECT_EQ(Mismatches(r), "");
    EXPECT_EQ(r.upsideDownReadable, 0u);
    EXPECT_EQ(r.upsideDownUpright, 0u);
}

class PlayableVideo : public ::testing::TestWithParam<Video> {};

TEST_P(PlayableVideo, EveryFrameReadsItsIndexUpright) { ExpectEveryFrameReadsItsIndexUpright(GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Videos, PlayableVideo,
    ::testing::Values(Video{"mjpeg_pcm.avi", "mjpeg", "pcm_s16le", 256, 128, 100},
                      Video{"h264_aac.mp4", "h264", "aac", 256, 128, 100},
                      Video{"vp8_vorbis.webm", "vp8", "vorbis", 256, 128, 100},
                      Video{"lossless.avi", "rawvideo", "", 64, 32, 20},
                      Video{"video.mpg", "mpeg1video", "mp2", 256, 128, 100},
                      Video{"video.mpeg", "mpeg2video", "mp2", 256, 128, 100},
                      Video{"video.mov", "h264", "aac", 256, 128, 100},
                      Video{"video.qt", "h264", "aac", 256, 128, 100},
                      Video{"video.flv", "h264", "aac", 256, 128, 100},
                      Video{"video.f4v", "h264", "aac", 256, 128, 100},
                      Video{"video.wmv", "wmv2", "wmav2", 256, 128, 100},
                      Video{"video.mkv", "h264", "vorbis", 256, 128, 100},
                      Video{"video.ogg", "theora", "vorbis", 256, 128, 100},
                      Video{"video.ogv", "theora", "vorbis", 256, 128, 100}),
    [](const ::testing::TestParamInfo<Video>& info) {
        std::string name = info.param.file;
        std::replace(name.begin(), name.end(), '.', '_');
        return name;
    });

class BenchVideo : public ::testing::TestWithParam<Video> {};

TEST_P(BenchVideo, EveryFrameReadsItsIndexUpright) {
    if (!g_bench) GTEST_SKIP() << "made only when the program is run with \"bench\"";
    ExpectEveryFrameReadsItsIndexUpright(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Videos, BenchVideo,
                         ::testing::Values(Video{"bench_1920x960.mp4", "h264", "aac", 1920, 960, 600},
                                           Video{"bench_3840x1920.mp4", "h264", "aac", 3840, 1920,
                                                 600}),
                         [](const ::testing::TestParamInfo<Video>& info) {
                             return std::string(info.param.width == 1920 ? "bench_1920x960"
                                                                         : "bench_3840x1920");
                         });

TEST(LosslessVideo, FramesFileIsFfmpegsDecodingTopRowFirst) {
    ASSERT_VIDEOS_MADE();
    const Bytes frames = ReadFile(PathOf("lossless_frames.bgra"));
    Bytes decoded;
    const Decoding d = DecodeFrames(PathOf("lossless.avi"), 64, 32, [&](const uint8_t* frame) {
        decoded.insert(decoded.end(), frame, frame + 64 * 32 * 4);
    });
    ASSERT_EQ(d.status, 0) << DecodeLog(PathOf("lossless.avi"));
    EXPECT_EQ(frames.size(), size_t(64) * 32 * 4 * 20);
    EXPECT_TRUE(frames == decoded) << "lossless_frames.bgra differs from the decoding";

    // Lossless: the first frame is exactly the picture drawn above, top row first.
    const Bytes expected = Flipped(TestFrame(64, 32, 0), 64, 32);
    ASSERT_GE(frames.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), frames.begin()))
        << "the first frame is not the exact picture";
}

// --- the files that carry no playable video ----------------------------------

// The bytes the script's awk generator writes to random.avi.
Bytes ParkMiller(size_t n) {
    Bytes out;
    uint64_t x = 20241210;
    for (size_t i = 0; i < n; ++i) {
        x = x * 16807 % 2147483647;
        out.push_back(uint8_t(x / 8388608 % 256));
    }
    return out;
}

TEST(BadFiles, CarryNoPlayableVideo) {
    ASSERT_VIDEOS_MADE();
    struct Case {
        const char* file;
        const char* audioCodec;  // "" when no audio stream is expected
    };
    // Files ffprobe finds sound but no picture in, or nothing at all.
    const Case cases[] = {{"audio_only.mp4", "aac"}, {"audio_only.wav", "pcm_s16le"},
                          {"text.mp4", ""},          {"random.avi", ""},
                          {"empty.avi", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_TRUE(Probe(PathOf(c.file), "v:0").empty());
        const auto audio = Probe(PathOf(c.file), "a:0");
        EXPECT_EQ(audio.count("codec_name") ? audio.at("codec_name") : "", c.audioCodec);
    }
    EXPECT_EQ(ReadFile(PathOf("empty.avi")).size(), 0u);
    // The same bytes on every run and with every awk.
    EXPECT_TRUE(ReadFile(PathOf("random.avi")) == ParkMiller(4096));
}

TEST(BadFiles, PictureIsOneJpegFrameShowingFive) {
    ASSERT_VIDEOS_MADE();
    const Bytes jpeg = ReadFile(PathOf("picture.mkv"));
    ASSERT_GE(jpeg.size(), 4u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_EQ(jpeg[jpeg.size() - 2], 0xFF);
    EXPECT_EQ(jpeg[jpeg.size() - 1], 0xD9);
    const Reading r = ReadFrames(PathOf("picture.mkv"), 256, 128);
    ASSERT_EQ(r.decoding.status, 0) << DecodeLog(PathOf("picture.mkv"));
    ASSERT_EQ(r.numbers.size(), 1u);
    EXPECT_EQ(r.numbers[0], 5);
}

TEST(BadFiles, TruncatedMp4KeepsOnlyItsFirstFrames) {
    ASSERT_VIDEOS_MADE();
    const size_t whole = ReadFile(PathOf("h264_aac.mp4")).size();
    EXPECT_EQ(ReadFile(PathOf("truncated.mp4")).size(), whole * 2 / 5);
    // Its index announces all frames; the data of only the first ones is
    // there. Those decode in order from frame 0, every one whole; near the cut
    // a frame can be missing (a B-frame whose data lay behind the next P-frame).
    const Reading r = ReadFrames(PathOf("truncated.mp4"), 256, 128);
    ASSERT_GT(r.numbers.size(), 0u);
    EXPECT_LT(r.numbers.size(), 100u);
    EXPECT_EQ(r.numbers[0], 0);
    std::ostringstream wrong;
    for (size_t i = 0; i < r.numbers.size(); ++i) {
        if (r.numbers[i] < 0 || !r.upright[i] || (i > 0 && r.numbers[i] <= r.numbers[i - 1]))
            wrong << " frame " << i << " reads " << r.numbers[i] << (r.upright[i] ? "" : " not upright")
                  << ";";
    }
    EXPECT_EQ(wrong.str(), "");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 3 || argc > 4 || (argc == 4 && std::strcmp(argv[3], "bench") != 0)) {
        std::fprintf(stderr, "usage: %s path/to/make_test_videos.sh OUTDIR [bench] [gtest flags]\n",
                     argv[0]);
        return 2;
    }
    g_script = argv[1];
    g_dir = argv[2];
    g_bench = argc == 4;
    ::testing::AddGlobalTestEnvironment(new MakeVideos);
    return RUN_ALL_TESTS();
}
