// Opening test videos in the viewer and watching what it shows of them.
#pragma once

#include <cstdint>
#include <string>

namespace lx::testing {

// The folder the test videos were made in, given as a Linux path.
void SetVideoFolder(const std::string& linuxPath);
// The Windows path of a file in that folder.
std::string VideoPath(const std::string& name);
// The Windows path of a file of the folder's Linux path, for reading with
// the standard library.
std::string VideoFolder();

// Opens a video the way the file selection does: the path, the kind, and
// the open-source message.
void OpenVideo(const std::string& path);
// Ends the playing video and waits until its runner has cleaned up.
bool EndVideo();
// Waits until a video plays.
bool WaitUntilPlaying();

// The frame number the source frame shows (under the frame lock), or -1.
int32_t ShownFrameNumber();
bool SourceShowsUpright();

}  // namespace lx::testing
