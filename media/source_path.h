// The text side of choosing a source: the file types the open dialog offers,
// trimming and checking a chosen path, what kind of source it names and the
// name the panel shows for it. No platform here.
#pragma once

#include <cstddef>
#include <string>

namespace lx {

// The longest path a source may have.
constexpr size_t kMaxSourcePathChars = 254;

struct FileType {
    const char* description;
    const char* pattern;
};

// The open dialog's list, in the order it shows them; the first is selected.
constexpr FileType kFileTypes[] = {
    {"All video files", "*.avi;*.mpg;*.mpeg;*.mov;*.flv;*.mp4;*.f4v;*.wmv;*.mkv;*.qt;*.webm;*.ogg;*.ogv"},
    {"AVI video files (*.AVI)", "*.avi"},
    {"FLV video files (*.FLV)", "*.flv"},
    {"F4V video files (*.F4V)", "*.f4v"},
    {"MKV video files (*.MKV)", "*.mkv"},
    {"MOV video files (*.MOV)", "*.mov"},
    {"MPG video files (*.MPG, *.MPEG)", "*.mpg;*.mpeg"},
    {"MP4 video files (*.MP4)", "*.mp4"},
    {"OGG video files (*.OGG)", "*.ogg"},
    {"OGV video files (*.OGV)", "*.ogv"},
    {"QT  video files (*.QT)", "*.qt"},
    {"Webm video files (*.Webm)", "*.webm"},
    {"WMV video files (*.WMV)", "*.wmv"},
    {"Jpeg image      (*.jpg)", "*.jpg"},
};

// The list as the dialog takes it: description and pattern of each type,
// each ended by a NUL, and one more NUL at the end.
std::string FileTypeFilter();

// The text without the spaces at either end.
std::string TrimSpaces(const std::string& text);

// A path that would have to be cut to fit names another file.
bool SourcePathTooLong(const std::string& trimmedPath);

// ".jpg" in any letter case at the end means a still picture; anything else
// is opened as a video.
bool IsStillPicturePath(const std::string& trimmedPath);

// The file's name without folder and extension: the text after the last
// "\" or ":", up to the last "." that follows it.
std::string FileTitleOf(const std::string& path);

}  // namespace lx
