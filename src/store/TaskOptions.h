#pragma once

#include <string>

namespace kolvane {

class IniSnapshot;
class TIniFile;

// The optional behaviours of a task. All are off by default, and a task that uses none of them
// keeps none of their keys in the settings file.
struct TaskOptions {
    // A file whose destination copy has its size and modification time is not copied again.
    bool skipSame = false;
    // With the time-named sub-directory: a file unchanged since the newest earlier sub-directory
    // becomes a hard link to the copy there.
    bool linkSame = false;
    // With the time-named sub-directory: how many of them a run leaves; 0 keeps all.
    int keepLast = 0;
    // Names of files and directories left out of every run: "*" and "?" patterns joined by ";".
    std::string excludeMask;
    // At the program's start, a due time missed while it was closed is made up for once.
    bool catchUp = false;

    friend bool operator==(const TaskOptions&, const TaskOptions&) = default;
};

inline constexpr const char* kSkipSameKey = "skipSame";
inline constexpr const char* kLinkSameKey = "linkSame";
inline constexpr const char* kKeepLastKey = "keepLast";
inline constexpr const char* kExcludeMaskKey = "excludeMask";
inline constexpr const char* kCatchUpKey = "catchUp";
// The stamp of the latest run of a task with catchUp; written by the runs, never by the editor.
inline constexpr const char* kLastRunKey = "lastRun";

bool UsesAnyOption(const TaskOptions& options);

// Absent or unreadable keys leave their option off; a negative keepLast keeps all.
TaskOptions ReadTaskOptions(const IniSnapshot& file, const std::string& section);

// Writes the key of every option in use, in the order of the struct, and removes the key of
// every option that is off (lastRun goes with catchUp), so a task without options is stored as
// if options did not exist. Raises WriteError at the first write that fails.
void WriteTaskOptions(TIniFile& taskIni, const std::string& section, const TaskOptions& options);

} // namespace kolvane
