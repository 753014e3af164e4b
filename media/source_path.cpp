#include "media/source_path.h"

#include <cctype>

namespace lx {

std::string FileTypeFilter() {
    std::string filter;
    for (const FileType& type : kFileTypes) {
        filter += type.description;
        filter += '\0';
        filter += type.pattern;
        filter += '\0';
    }
    filter += '\0';
    return filter;
}

std::string TrimSpaces(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool SourcePathTooLong(const std::string& trimmedPath) {
    return trimmedPath.size() > kMaxSourcePathChars;
}

bool IsStillPicturePath(const std::string& trimmedPath) {
    static constexpr char kStillEnding[] = ".jpg";
    constexpr size_t kEndingChars = sizeof(kStillEnding) - 1;
    if (trimmedPath.size() < kEndingChars) return false;
    const size_t start = trimmedPath.size() - kEndingChars;
    for (size_t i = 0; i < kEndingChars; ++i) {
        const auto c = static_cast<unsigned char>(trimmedPath[start + i]);
        if (std::tolower(c) != kStillEnding[i]) return false;
    }
    return true;
}

std::string FileTitleOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\:");
    const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace lx
