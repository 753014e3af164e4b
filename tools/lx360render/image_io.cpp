#include "tools/lx360render/image_io.h"

#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "render/frames.h"
#include "render/projection.h"

#if LX_HAVE_JPEG
#include <jpeglib.h>
#include <jerror.h>
#endif
#if LX_HAVE_PNG
#include <png.h>
#endif

namespace lx::tool {

namespace {

class File {
public:
    File(const std::string& path, const char* mode) : file_(std::fopen(path.c_str(), mode)) {}
    ~File() {
        if (file_) std::fclose(file_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    FILE* get() const { return file_; }
    explicit operator bool() const { return file_ != nullptr; }

    // Closes the file and reports whether everything written reached it.
    bool Close() {
        if (!file_) return false;
        const bool failed = std::ferror(file_) != 0;
        const bool closeFailed = std::fclose(file_) != 0;
        file_ = nullptr;
        return !failed && !closeFailed;
    }

private:
    FILE* file_;
};

bool Seek(FILE* f, uint64_t position) {
    if (position > uint64_t(std::numeric_limits<int64_t>::max())) return false;
#ifdef _WIN32
    return _fseeki64(f, int64_t(position), SEEK_SET) == 0;
#else
    return fseeko(f, off_t(position), SEEK_SET) == 0;
#endif
}

bool Tell(FILE* f, uint64_t* position) {
#ifdef _WIN32
    const int64_t at = _ftelli64(f);
#else
    const int64_t at = ftello(f);
#endif
    if (at < 0) return false;
    *position = uint64_t(at);
    return true;
}

// The size of the open file, leaving the position at the start. False for
// files that cannot seek (pipes): the readers need both.
bool FileSize(FILE* f, uint64_t* size) {
    bool known = false;
#ifdef _WIN32
    if (_fseeki64(f, 0, SEEK_END) == 0) known = Tell(f, size);
#else
    if (fseeko(f, 0, SEEK_END) == 0) known = Tell(f, size);
#endif
    if (!Seek(f, 0)) return false;
    return known;
}

bool ReadExact(FILE* f, void* data, size_t bytes) {
    return std::fread(data, 1, bytes, f) == bytes;
}

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void PutLe16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}

std::string SizeText(uint64_t width, uint64_t height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// Checks a declared size with the renderer's own limits before anything is
// allocated for it. Empty when the size is accepted.
std::string RefusedSize(const std::string& name, uint64_t width, uint64_t height) {
    const uint64_t kInt32Max = uint64_t(std::numeric_limits<int32_t>::max());
    if (width > kInt32Max || height > kInt32Max) {
        return name + ": picture size " + SizeText(width, height) + " is too large";
    }
    const std::string problem = lx::SourceSizeProblem(int32_t(width), int32_t(height));
    if (problem.empty()) return {};
    return name + ": " + problem;
}

// Bytes left in the file after the current position must hold the pixel data;
// checked before the source buffer is allocated so a short file that declares
// a large picture costs nothing.
bool DataFits(uint64_t fileSize, uint64_t dataStart, uint64_t dataBytes) {
    return dataStart <= fileSize && dataBytes <= fileSize - dataStart;
}

IoResult AllocateFailure(const std::string& name, uint64_t width, uint64_t height) {
    return IoResult::Failure(name + ": not enough memory for a " + SizeText(width, height) +
                             " picture");
}

uint8_t* SourceRow(int32_t row) {
    return lx::sourceFrame.pixels.get() + size_t(row) * size_t(lx::sourceFrame.rowBytes);
}

// ---------------------------------------------------------------- PPM (P6)

// Skips whitespace and '#' comments between header fields.
void SkipPpmSeparators(FILE* f) {
    for (;;) {
        int c = std::getc(f);
        if (c == '#') {
            while (c != '\n' && c != '\r' && c != EOF) c = std::getc(f);
            if (c == EOF) return;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') continue;
        if (c != EOF) std::ungetc(c, f);
        return;
    }
}

bool IsPpmSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// A decimal header field. Values past the cap are reported as the cap plus one
// so that no arithmetic on them can overflow.
bool ReadPpmNumber(FILE* f, uint64_t* value) {
    constexpr uint64_t kCap = uint64_t(1) << 40;
    SkipPpmSeparators(f);
    uint64_t v = 0;
    int digits = 0;
    int c;
    while ((c = std::getc(f)) >= '0' && c <= '9') {
        if (v <= kCap) v = v * 10 + uint64_t(c - '0');
        if (v > kCap) v = kCap + 1;
        ++digits;
    }
    if (c != EOF) std::ungetc(c, f);
    *value = v;
    return digits > 0;
}

IoResult LoadPpm(FILE* f, const std::string& name, uint64_t fileSize) {
    const std::string corrupt = name + ": corrupt PPM header";
    uint8_t magic[2];
    if (!ReadExact(f, magic, 2) || magic[0] != 'P' || magic[1] != '6') {
        return IoResult::Failure(corrupt);
    }
    uint64_t width = 0, height = 0, maxval = 0;
    const int afterMagic = std::getc(f);
    if (!(IsPpmSpace(afterMagic) || afterMagic == '#')) return IoResult::Failure(corrupt);
    std::ungetc(afterMagic, f);
    if (!ReadPpmNumber(f, &width)) return IoResult::Failure(corrupt);
    int c = std::getc(f);
    if (!(IsPpmSpace(c) || c == '#')) return IoResult::Failure(corrupt);
    std::ungetc(c, f);
    if (!ReadPpmNumber(f, &height)) return IoResult::Failure(corrupt);
    c = std::getc(f);
    if (!(IsPpmSpace(c) || c == '#')) return IoResult::Failure(corrupt);
    std::ungetc(c, f);
    if (!ReadPpmNumber(f, &maxval)) return IoResult::Failure(corrupt);
    // Exactly one whitespace character separates the header from the pixels.
    if (!IsPpmSpace(std::getc(f))) return IoResult::Failure(corrupt);

    if (maxval == 0 || maxval > 65535) {
        return IoResult::Failure(name + ": corrupt PPM header (maxval " + std::to_string(maxval) +
                                 ")");
    }
    if (maxval != 255) {
        return IoResult::Failure(name + ": unsupported format: PPM maxval " +
                                 std::to_string(maxval) + " (only 255 is read)");
    }
    const std::string refused = RefusedSize(name, width, height);
    if (!refused.empty()) return IoResult::Failure(refused);

    const uint64_t rowBytes = 3 * width;
    uint64_t dataStart = 0;
    if (!Tell(f, &dataStart)) return IoResult::Failure(name + ": cannot read");
    if (!DataFits(fileSize, dataStart, rowBytes * height)) {
        return IoResult::Failure(name + ": truncated PPM pixel data");
    }

    const int32_t w = int32_t(width), h = int32_t(height);
    if (!lx::AllocateSource(w, h)) return AllocateFailure(name, width, height);
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    for (int32_t fileRow = 0; fileRow < h; ++fileRow) {
        if (!ReadExact(f, row.data(), row.size())) {
            lx::ReleaseSource();
            return IoResult::Failure(name + ": truncated PPM pixel data");
        }
        uint8_t* out = SourceRow(h - 1 - fileRow);
        const uint8_t* in = row.data();
        for (int32_t x = 0; x < w; ++x, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 0xFF;
        }
    }
    return IoResult::Success();
}

// ---------------------------------------------------------------- BMP

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

IoResult LoadBmp(FILE* f, const std::string& name, uint64_t fileSize) {
    const std::string corrupt = name + ": corrupt BMP header";
    uint8_t fileHeader[14];
    uint8_t info[124] = {};
    if (!ReadExact(f, fileHeader, sizeof fileHeader) || fileHeader[0] != 'B' ||
        fileHeader[1] != 'M') {
        return IoResult::Failure(corrupt);
    }
    const uint32_t dataOffset = Le32(fileHeader + 10);
    if (!ReadExact(f, info, 4)) return IoResult::Failure(corrupt);
    const uint32_t infoSize = Le32(info);
    if (infoSize == 12 || infoSize == 16 || infoSize == 64) {
        return IoResult::Failure(name + ": unsupported format: OS/2 BMP header");
    }
    if (infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 && infoSize != 124) {
        return IoResult::Failure(corrupt + " (header size " + std::to_string(infoSize) + ")");
    }
    if (!ReadExact(f, info + 4, infoSize - 4)) return IoResult::Failure(corrupt);

    const int32_t width = int32_t(Le32(info + 4));
    const int32_t declaredHeight = int32_t(Le32(info + 8));
    const uint16_t planes = Le16(info + 12);
    const uint16_t bitCount = Le16(info + 14);
    const uint32_t compression = Le32(info + 16);

    if (planes != 1) return IoResult::Failure(corrupt + " (planes " + std::to_string(planes) + ")");
    if (bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16) {
        return IoResult::Failure(name + ": unsupported format: " + std::to_string(bitCount) +
                                 "-bit BMP (only 24 and 32 are read)");
    }
    if (bitCount != 24 && bitCount != 32) {
        return IoResult::Failure(corrupt + " (bit count " + std::to_string(bitCount) + ")");
    }

    uint64_t headerEnd = 14 + uint64_t(infoSize);
    if (compression == kBiBitfields && bitCount == 32) {
        uint8_t masks[12];
        if (infoSize == 40) {
            if (!ReadExact(f, masks, sizeof masks)) return IoResult::Failure(corrupt);
            headerEnd += sizeof masks;
        } else {
            std::memcpy(masks, info + 40, sizeof masks);
        }
        const uint32_t alphaMask = infoSize >= 56 ? Le32(info + 52) : 0;
        if (Le32(masks) != 0x00FF0000u || Le32(masks + 4) != 0x0000FF00u ||
            Le32(masks + 8) != 0x000000FFu || (alphaMask != 0 && alphaMask != 0xFF000000u)) {
            return IoResult::Failure(name +
                                     ": unsupported format: BMP bit fields other than B, G, R, X");
        }
    } else if (compression != kBiRgb) {
        return IoResult::Failure(name + ": unsupported format: compressed BMP (compression " +
                                 std::to_string(compression) + ")");
    }

    if (width <= 0 || declaredHeight == 0 ||
        declaredHeight == std::numeric_limits<int32_t>::min()) {
        return IoResult::Failure(name + ": corrupt BMP header (size " + std::to_string(width) +
                                 " x " + std::to_string(declaredHeight) + ")");
    }
    const bool topDown = declaredHeight < 0;
    const int32_t height = topDown ? -declaredHeight : declaredHeight;
    const std::string refused = RefusedSize(name, uint64_t(width), uint64_t(height));
    if (!refused.empty()) return IoResult::Failure(refused);

    if (dataOffset < headerEnd) {
        return IoResult::Failure(corrupt + " (pixel data offset " + std::to_string(dataOffset) +
                                 ")");
    }
    const uint64_t bytesPerPixel = bitCount / 8;
    const uint64_t rowBytes = (uint64_t(width) * bytesPerPixel + 3) & ~uint64_t(3);
    if (!DataFits(fileSize, dataOffset, rowBytes * uint64_t(height))) {
        return IoResult::Failure(name + ": truncated BMP pixel data");
    }
    if (!Seek(f, dataOffset)) return IoResult::Failure(name + ": truncated BMP pixel data");

    if (!lx::AllocateSource(width, height)) return AllocateFailure(name, width, height);
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
        if (!ReadExact(f, row.data(), row.size())) {
            lx::ReleaseSource();
            return IoResult::Failure(name + ": truncated BMP pixel data");
        }
        uint8_t* out = SourceRow(topDown ? height - 1 - fileRow : fileRow);
        if (bitCount == 32) {
            std::memcpy(out, row.data(), size_t(width) * 4);
        } else {
            const uint8_t* in = row.data();
            for (int32_t x = 0; x < width; ++x, in += 3, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 0xFF;
            }
        }
    }
    return IoResult::Success();
}

// ---------------------------------------------------------------- JPEG

#if LX_HAVE_JPEG

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

// The library only warns when the data ends early and pads the picture with
// grey; a cut file is an error here, other warnings are tolerated.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
    if (level < 0) {
        const int code = cinfo->err->msg_code;
        if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) JpegErrorExit(cinfo);
        cinfo->err->num_warnings++;
    }
}

// The decoder state. Each step below sets its own return point, holds no
// object with a destructor, and leaves clean-up to this record, so a
// long jump out of the library never skips a destructor.
struct JpegDecoder {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;

    JpegDecoder() {
        std::memset(&cinfo, 0, sizeof cinfo);
        std::memset(&error, 0, sizeof error);
        cinfo.err = jpeg_std_error(&error.pub);
        error.pub.error_exit = JpegErrorExit;
        error.pub.emit_message = JpegEmitMessage;
    }
    ~JpegDecoder() { jpeg_destroy_decompress(&cinfo); }
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;
};

bool JpegReadHeader(JpegDecoder* d, FILE* f) {
    if (setjmp(d->error.jump)) return false;
    jpeg_create_decompress(&d->cinfo);
    jpeg_stdio_src(&d->cinfo, f);
    jpeg_read_header(&d->cinfo, TRUE);
    return true;
}

bool JpegStart(JpegDecoder* d) {
    if (setjmp(d->error.jump)) return false;
    d->cinfo.out_color_space = JCS_RGB;
    d->cinfo.scale_num = 1;
    d->cinfo.scale_denom = 1;
    jpeg_start_decompress(&d->cinfo);
    return true;
}

// Decodes every scanline into the source frame, top row of the file first.
bool JpegReadRows(JpegDecoder* d, uint8_t* line) {
    if (setjmp(d->error.jump)) return false;
    jpeg_decompress_struct* cinfo = &d->cinfo;
    const int32_t width = int32_t(cinfo->output_width);
    const int32_t height = int32_t(cinfo->output_height);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int32_t fileRow = int32_t(cinfo->output_scanline);
        JSAMPROW rows[1] = {line};
        if (jpeg_read_scanlines(cinfo, rows, 1) != 1) {
            std::snprintf(d->error.message, sizeof d->error.message, "no scanline decoded");
            return false;
        }
        uint8_t* out = SourceRow(height - 1 - fileRow);
        const uint8_t* in = line;
        for (int32_t x = 0; x < width; ++x, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 0xFF;
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

IoResult LoadJpeg(FILE* f, const std::string& name) {
    JpegDecoder decoder;
    const auto failure = [&]() {
        return IoResult::Failure(name + ": cannot decode JPEG: " + decoder.error.message);
    };
    if (!JpegReadHeader(&decoder, f)) return failure();
    const uint64_t width = decoder.cinfo.image_width;
    const uint64_t height = decoder.cinfo.image_height;
    const std::string refused = RefusedSize(name, width, height);
    if (!refused.empty()) return IoResult::Failure(refused);
    if (!JpegStart(&decoder)) return failure();
    if (decoder.cinfo.output_components != 3 || decoder.cinfo.output_width != width ||
        decoder.cinfo.output_height != height) {
        return IoResult::Failure(name + ": unsupported format: JPEG colour layout");
    }
    if (!lx::AllocateSource(int32_t(width), int32_t(height))) {
        return AllocateFailure(name, width, height);
    }
    std::vector<uint8_t> line(static_cast<size_t>(width) * 3);
    if (!JpegReadRows(&decoder, line.data())) {
        lx::ReleaseSource();
        return failure();
    }
    return IoResult::Success();
}

#endif  // LX_HAVE_JPEG

// ---------------------------------------------------------------- output

// The frame the renderer left, checked before a byte of it is read.
bool OutputFrameUsable() {
    const lx::OutputFrame& out = lx::outputFrame;
    if (!out.pixels || out.width <= 0 || out.height <= 0) return false;
    const uint64_t bytes = uint64_t(out.width) * uint64_t(out.height) * 4;
    return bytes == uint64_t(uint32_t(out.byteCount)) && out.byteCount > 0 &&
           bytes <= lx::kOutputBufferBytes;
}

// A file that was opened and only partly written is removed; nothing else is.
IoResult WriteFailure(const std::string& name, int error, const char* partialFile = nullptr) {
    if (partialFile) std::remove(partialFile);
    std::string text = name + ": cannot write";
    if (error != 0) text += std::string(": ") + std::strerror(error);
    return IoResult::Failure(text);
}

#if LX_HAVE_PNG

struct PngErrorState {
    char message[256];
};

[[noreturn]] void PngError(png_structp png, png_const_charp text) {
    auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", text ? text : "libpng error");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// Writes the frame with the library's return point set here; holds no object
// with a destructor. The caller owns the file, the row buffer and the state.
bool PngWriteFrame(png_structp png, png_infop info, FILE* f, uint8_t* line) {
    if (setjmp(png_jmpbuf(png))) return false;
    const lx::OutputFrame& out = lx::outputFrame;
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(out.width), png_uint_32(out.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t stride = size_t(out.width) * 4;
    for (int32_t r = out.height - 1; r >= 0; --r) {
        const uint8_t* in = out.pixels.get() + size_t(r) * stride;
        uint8_t* o = line;
        for (int32_t x = 0; x < out.width; ++x, in += 4, o += 3) {
            o[0] = in[2];
            o[1] = in[1];
            o[2] = in[0];
        }
        png_write_row(png, line);
    }
    png_write_end(png, info);
    return true;
}

#endif  // LX_HAVE_PNG

}  // namespace

std::string PrintableName(const std::string& path) {
    std::string name = path;
    for (char& c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    }
    return name;
}

IoResult LoadSourcePicture(const std::string& path) {
    lx::ReleaseSource();
    const std::string name = PrintableName(path);
    errno = 0;
    File file(path, "rb");
    if (!file) {
        const int error = errno;
        return IoResult::Failure(name + ": cannot open" +
                                 (error ? std::string(": ") + std::strerror(error) : std::string()));
    }
    uint64_t fileSize = 0;
    if (!FileSize(file.get(), &fileSize)) {
        return IoResult::Failure(name + ": cannot read (not a regular file)");
    }

    uint8_t magic[3] = {};
    const size_t got = std::fread(magic, 1, sizeof magic, file.get());
    if (std::ferror(file.get())) {
        const int error = errno;
        return IoResult::Failure(name + ": cannot read" +
                                 (error ? std::string(": ") + std::strerror(error) : std::string()));
    }
    if (got == 0) return IoResult::Failure(name + ": empty file");
    if (!Seek(file.get(), 0)) return IoResult::Failure(name + ": cannot read");

    if (got >= 2 && magic[0] == 'P' && magic[1] == '6') {
        return LoadPpm(file.get(), name, fileSize);
    }
    if (got >= 2 && magic[0] == 'B' && magic[1] == 'M') {
        return LoadBmp(file.get(), name, fileSize);
    }
    if (got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) {
#if LX_HAVE_JPEG
        return LoadJpeg(file.get(), name);
#else
        return IoResult::Failure(name + ": unsupported format: JPEG is not available in this build");
#endif
    }
    return IoResult::Failure(name + ": unsupported format (not a JPEG, P6 PPM or BMP picture)");
}

IoResult WriteOutputBmp(const std::string& path) {
    const std::string name = PrintableName(path);
    if (!OutputFrameUsable()) return IoResult::Failure(name + ": no rendered frame to write");
    const lx::OutputFrame& out = lx::outputFrame;
    const lx::BitmapInfoHeader& h = out.header;
    const uint32_t pixelBytes = uint32_t(out.byteCount);

    std::vector<uint8_t> header;
    header.reserve(54);
    header.push_back('B');
    header.push_back('M');
    PutLe32(header, 54 + pixelBytes);
    PutLe32(header, 0);
    PutLe32(header, 54);
    PutLe32(header, h.size);
    PutLe32(header, uint32_t(h.width));
    PutLe32(header, uint32_t(h.height));
    PutLe16(header, h.planes);
    PutLe16(header, h.bitCount);
    PutLe32(header, h.compression);
    PutLe32(header, h.sizeImage);
    PutLe32(header, uint32_t(h.xPelsPerMeter));
    PutLe32(header, uint32_t(h.yPelsPerMeter));
    PutLe32(header, h.clrUsed);
    PutLe32(header, h.clrImportant);

    errno = 0;
    File file(path, "wb");
    if (!file) return WriteFailure(name, errno);
    const bool written =
        std::fwrite(header.data(), 1, header.size(), file.get()) == header.size() &&
        std::fwrite(out.pixels.get(), 1, pixelBytes, file.get()) == pixelBytes;
    const int error = errno;
    if (!file.Close() || !written) return WriteFailure(name, error ? error : errno, path.c_str());
    return IoResult::Success();
}

IoResult WriteOutputPng(const std::string& path) {
    const std::string name = PrintableName(path);
#if LX_HAVE_PNG
    if (!OutputFrameUsable()) return IoResult::Failure(name + ": no rendered frame to write");
    errno = 0;
    File file(path, "wb");
    if (!file) return WriteFailure(name, errno);

    PngErrorState state{};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, PngError, PngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        if (png) png_destroy_write_struct(&png, nullptr);
        file.Close();
        return WriteFailure(name, ENOMEM, path.c_str());
    }
    std::vector<uint8_t> line(size_t(lx::outputFrame.width) * 3);
    const bool written = PngWriteFrame(png, info, file.get(), line.data());
    png_destroy_write_struct(&png, &info);
    const int error = errno;
    if (!file.Close() || !written) {
        IoResult result = WriteFailure(name, state.message[0] ? 0 : error, path.c_str());
        if (state.message[0]) result.error += std::string(": ") + state.message;
        return result;
    }
    return IoResult::Success();
#else
    return IoResult::Failure(name + ": unsupported format: PNG output is not available in this build");
#endif
}

bool HasPngExtension(const std::string& path) {
    if (path.size() < 4) return false;
    const std::string tail = path.substr(path.size() - 4);
    std::string lower;
    for (char c : tail) lower += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return lower == ".png";
}

IoResult WriteOutputFrame(const std::string& path) {
    return HasPngExtension(path) ? WriteOutputPng(path) : WriteOutputBmp(path);
}

}  // namespace lx::tool
