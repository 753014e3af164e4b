// Choosing a source by its path: the dialog's list of file types, the kind a
// path names, the name the panel shows and the paths that are refused.
#include "media/source_path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lx {
namespace {

std::vector<std::string> SplitAtNul(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1) {
        parts.push_back(text.substr(start, end - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

TEST(FileTypeFilter, PairsEveryDescriptionWithItsPatternAndEndsWithTwoNuls) {
    const std::string filter = FileTypeFilter();
    ASSERT_GE(filter.size(), 2u);
    EXPECT_EQ(filter.substr(filter.size() - 2), std::string(2, '\0'));
    const std::vector<std::string> parts = SplitAtNul(filter.substr(0, filter.size() - 2));
    ASSERT_EQ(parts.size(), 2 * std::size(kFileTypes));
    for (size_t i = 0; i < std::size(kFileTypes); ++i) {
        EXPECT_EQ(parts[2 * i], kFileTypes[i].description);
        EXPECT_EQ(parts[2 * i + 1], kFileTypes[i].pattern);
    }
}

TEST(FileTypeFilter, OffersJpegOnlyInTheLastEntry) {
    const std::string all = kFileTypes[0].pattern;
    EXPECT_EQ(all.find("jpg"), std::string::npos);
    EXPECT_EQ(std::string(std::end(kFileTypes)[-1].pattern), "*.jpg");
    for (const FileType& type : kFileTypes) {
        if (&type == &kFileTypes[0]) continue;
        const std::string pattern = type.pattern;
        if (pattern == "*.jpg") continue;
        // Every single type is also one of "All video files".
        size_t start = 0;
        for (size_t end; start <= pattern.size(); start = end + 1) {
            end = pattern.find(';', start);
            if (end == std::string::npos) end = pattern.size();
            EXPECT_NE(all.find(pattern.substr(start, end - start)), std::string::npos) << pattern;
        }
    }
}

TEST(SourcePath, TrimsSpacesAtBothEndsOnly) {
    const struct {
        const char* text;
        const char* trimmed;
    } cases[] = {
        {"  C:\\a b\\pano.jpg  ", "C:\\a b\\pano.jpg"},
        {"C:\\x.mp4", "C:\\x.mp4"},
        {"   ", ""},
        {"", ""},
        {"\tC:\\x.mp4", "\tC:\\x.mp4"},  // only spaces count
    };
    for (const auto& c : cases) EXPECT_EQ(TrimSpaces(c.text), c.trimmed) << c.text;
}

TEST(SourcePath, JpgInAnyCaseIsAStillPictureAndEverythingElseAVideo) {
    const struct {
        const char* path;
        bool still;
    } cases[] = {
        {"Z:\\tmp\\Pano.JPG", true},
        {"Z:\\tmp\\pano.jpg", true},
        {"Z:\\tmp\\pano.JpG", true},
        {".jpg", true},
        {"Z:\\tmp\\pano.jpeg", false},
        {"Z:\\tmp\\pano.jpg.mp4", false},
        {"Z:\\tmp\\video.mp4", false},
        {"jpg", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsStillPicturePath(c.path), c.still) << c.path;
}

TEST(SourcePath, TitleIsTheNameWithoutFolderAndExtension) {
    const struct {
        const char* path;
        const char* title;
    } cases[] = {
        {"Z:\\tmp\\videos\\h264_aac.mp4", "h264_aac"},
        {"Z:\\tmp\\Pano.JPG", "Pano"},
        {"C:name.avi", "name"},
        {"Z:\\tmp\\archive.tar.mkv", "archive.tar"},
        {"Z:\\dir.with.dots\\noextension", "noextension"},
        {"Z:\\tmp\\.webm", ""},
        {"plain", "plain"},
    };
    for (const auto& c : cases) EXPECT_EQ(FileTitleOf(c.path), c.title) << c.path;
}

TEST(SourcePath, OnlyPathsThatFitUncutAreAccepted) {
    const std::string folder = "Z:\\" + std::string(240, 'd') + "\\";
    const std::string name = ".mp4";
    const std::string fits = folder + std::string(kMaxSourcePathChars - folder.size() - name.size(), 'n') + name;
    ASSERT_EQ(fits.size(), kMaxSourcePathChars);
    EXPECT_FALSE(SourcePathTooLong(fits));
    EXPECT_TRUE(SourcePathTooLong("n" + fits));
    EXPECT_TRUE(SourcePathTooLong(fits + std::string(300, 'x')));
}

}  // namespace
}  // namespace lx
