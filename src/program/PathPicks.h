#pragma once

#include <string>

namespace kolvane::program {

// What the editor's picker buttons ask the platform's standard dialogs for.
enum class PathKind { Directory, File };

struct PathRequest {
    PathKind kind = PathKind::Directory;
    std::string caption; // the dialog's title
    std::string start;   // the field's text, trimmed: where the dialog opens when it names a place
};

// The source may be a directory tree or a single file; the destination is always a directory.
PathRequest SourceDirectoryRequest(const std::string& fieldText);
PathRequest SourceFileRequest(const std::string& fieldText);
PathRequest DestinationRequest(const std::string& fieldText);

} // namespace kolvane::program
