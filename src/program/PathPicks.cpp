#include "program/PathPicks.h"

#include "base/Text.h"

namespace kolvane::program {
namespace {

PathRequest Request(PathKind kind, const char* caption, const std::string& fieldText) {
    return PathRequest{kind, caption, TrimControl(fieldText)};
}

} // namespace

PathRequest SourceDirectoryRequest(const std::string& fieldText) {
    return Request(PathKind::Directory, "选择源目录", fieldText);
}

PathRequest SourceFileRequest(const std::string& fieldText) {
    return Request(PathKind::File, "选择源文件", fieldText);
}

PathRequest DestinationRequest(const std::string& fieldText) {
    return Request(PathKind::Directory, "选择目的目录", fieldText);
}

} // namespace kolvane::program
