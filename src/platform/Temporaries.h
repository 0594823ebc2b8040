#pragma once

#include <string>
#include <string_view>

// The names of the temporary files the platform layer writes before it renames them into place.
// Each carries its owner's process id, so that a later process can tell a temporary left by one
// that died from one still being written. Used by both systems' implementations.
namespace kolvane::platform {

// ".kolvane-<owner's process id>-<10 random letters>.tmp" in `directory`, which is empty or ends
// with a separator.
std::string CopyTemporaryNameIn(std::string_view directory);

// ".<file name>.<owner's process id>.<counter>.tmp" beside `path`.
std::string ReplacementTemporaryNameFor(const std::string& path);

} // namespace kolvane::platform
