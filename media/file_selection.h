// Choosing a source: the "Load 360 Video" dialog, the fade of the view to
// black, and the switch from whatever plays to the chosen picture or video.
#pragma once

#include <windows.h>

#include <string>

namespace lx {

constexpr char kLoadDialogTitle[] = "Load 360 Video";
constexpr char kPathTooLongMessage[] =
    "The path of this file is longer than 254 characters.\n"
    "Move the file to a shorter path, or rename its folders, and load it again.";

// Shows the open dialog owned by the given window in the given folder, fades
// the view out whatever the answer, and opens the chosen file.
void ChooseSourceFile(HWND owner, const std::string& startFolder);

// Darkens the painted view to black in 64 steps and clears the source
// picture. No render pass writes the frames meanwhile.
void FadeOutView();

// Stops what plays, records the path and its kind, and has the viewer window
// start the matching runner. Returns false, changing nothing, for an empty
// path or one longer than a source path may be.
bool OpenSource(const std::string& path);

}  // namespace lx
