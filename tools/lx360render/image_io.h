// Picture files for the command-line renderer: reading a panorama into
// lx::sourceFrame and writing lx::outputFrame out.
//
// Readers detect the format by the file's first bytes, not its name: JPEG
// (when built with LX_HAVE_JPEG), binary PPM (P6, maxval 255) and BMP (24- or
// 32-bit uncompressed, either row order). Every header field and the declared
// size are checked before the source buffer is allocated, and a short file is
// refused before any allocation where the format lets the reader know the
// data size. Nothing here throws; failures come back as a one-line text that
// names the file.
#pragma once

#include <string>

namespace lx::tool {

struct IoResult {
    bool ok = false;
    std::string error;  // one line, names the file; empty when ok

    static IoResult Success() { return IoResult{true, {}}; }
    static IoResult Failure(std::string text) { return IoResult{false, std::move(text)}; }
};

// Replaces lx::sourceFrame with the picture in the file: rows bottom-up,
// bytes B, G, R, X; X is 0xFF unless the file is a 32-bit BMP, whose fourth
// byte is kept. On failure no source buffer is left behind.
IoResult LoadSourcePicture(const std::string& path);

// Writes lx::outputFrame as a 32-bit BMP: the file header, the frame's own
// 40-byte header unchanged and the frame's byteCount pixel bytes as rendered.
IoResult WriteOutputBmp(const std::string& path);

// Writes lx::outputFrame as an 8-bit RGB PNG with rows top-down (when built
// with LX_HAVE_PNG; otherwise refuses as an unsupported format).
IoResult WriteOutputPng(const std::string& path);

// True when the name ends in ".png" in any letter case.
bool HasPngExtension(const std::string& path);

// PNG for names ending in ".png", BMP otherwise.
IoResult WriteOutputFrame(const std::string& path);

// The name with control characters replaced, safe to put in a one-line message.
std::string PrintableName(const std::string& path);

}  // namespace lx::tool
