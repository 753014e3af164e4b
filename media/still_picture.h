// Still panoramas: the built-in sample and JPEG files, decoded by the OLE
// picture loader into the source frame, and the runner that keeps rendering
// the view over them.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace lx {

// The chosen file; empty when none. At most 254 characters.
extern std::string sourcePath;
// 1 once the first still runner has shown the built-in panorama.
extern std::atomic<int32_t> builtInShown;
// 0 no still runner, 1 stop requested, 2 running.
extern std::atomic<int32_t> stillRunnerState;

constexpr int32_t kFallbackWidth = 1200;
constexpr int32_t kFallbackHeight = 300;
// The bare carriage return is part of the text.
constexpr char kPictureFormatMessage[] =
    "Format of video file is not have support\ror file is damaged";
constexpr char kFileErrorMessage[] = "File Error";
constexpr char kErrorCaption[] = "Error";

// Decodes a complete picture file and installs it as the source frame.
// Returns false, with the current source in place, when the bytes are not a
// picture the renderer can take; a failure after the old buffer was freed
// leaves no source buffer.
bool DecodePicture(const uint8_t* bytes, size_t count);

// Installs the black 1200 x 300 source frame.
bool InstallFallbackFrame();

// Decodes the given picture bytes and prepares the source; a black frame
// when they do not decode. The built-in panorama goes through here.
void LoadPictureOrBlack(const uint8_t* bytes, size_t count);
void LoadBuiltInPanorama();

// Returns 1 when sourcePath is empty after trimming spaces; otherwise 0,
// with the decoded file or the black frame (and the picture-format message)
// installed and prepared.
int LoadPanoramaFile();

DWORD WINAPI StillRunner(LPVOID viewer);
DWORD WINAPI StillRenderWorker(LPVOID unused);

// A runner counts as starting from just before its thread is created until
// it runs its loop or ends, so that a stopper cannot miss it.
void BeginStillRunner();
void EndStillRunnerStart();

// Stops the still runner, if any, and returns once it has ended and no render
// pass of it is left. Runs on the windows' thread and keeps its messages
// flowing while it waits.
void StopStillRunner();

}  // namespace lx
