#pragma once

#include "store/TaskOptions.h"

#include <optional>
#include <string>
#include <string_view>

namespace kolvane {

class TIniFile;
struct TaskRow;

// The editor's pages, in the order of its page list.
enum class EditorPage : int { Base = 0, Dir = 1, Schedule = 2, Advanced = 3 };
enum class EditorField { TaskName, Source, Dest };

inline constexpr int kMinInterval = 1;
inline constexpr int kMaxInterval = 1439;
inline constexpr int kDefaultInterval = 60;
inline constexpr int kDefaultTimeOfDay = 13 * 3600 + 26 * 60; // 13:26:00

// What the editor shows and saves. Texts are kept exactly as typed.
struct TaskFields {
    std::string name;
    std::string source;
    std::string dest;
    bool autoChildDir = false;
    int timeOfDay = kDefaultTimeOfDay; // seconds of the day, 0 to 86399
    bool useInterval = false;
    int interval = kDefaultInterval; // minutes, kMinInterval to kMaxInterval
    TaskOptions options;
};

// The first field that keeps a task from being saved: the page to show, the field to focus and the
// message to give.
struct FieldProblem {
    EditorPage page;
    EditorField field;
    std::string message;
};

// How one opening of the editor starts.
struct EditorStart {
    TaskFields fields;
    bool isEdit = false;
    std::string oldTaskName; // the edited row's name cell, untrimmed
};

std::optional<FieldProblem> CheckTaskFields(const TaskFields& fields);

// A text that is not valid UTF-8 comes from the settings file as its original bytes, and an
// editor shows it with replacement characters. Each text of `entered` that still reads as it was
// shown (`shown`) gets back the text the editor was given (`given`), so that saving a task the
// user did not change writes back exactly what the file held.
void KeepUneditedTexts(TaskFields& entered, const TaskFields& given, const TaskFields& shown);

// An edit renames a task when the trimmed names differ, letter case included.
bool IsRename(bool isEdit, std::string_view oldTaskName, std::string_view newTaskName);

// Erases the old section on a rename, then writes the seven keys into the section named as typed,
// then the options (see WriteTaskOptions). Raises WriteError at the first write that fails; earlier
// writes stay.
void WriteTask(TIniFile& taskIni, const TaskFields& fields, bool isEdit,
               const std::string& oldTaskName);

std::string CloneName(std::string_view name);

EditorStart StartNewTask();
// Both raise std::runtime_error when the time or sub-directory cell does not parse.
EditorStart StartEditTask(const TaskRow& row);
EditorStart StartCloneTask(const TaskRow& row);

// "1" and "-2.5" are true, "0" and "0.0" false, "True"/"False" in any letter case as written;
// anything else raises "'%s' is not a valid boolean value".
bool ParseBooleanText(const std::string& text);

// A time of day, or a yyyy-mm-dd / yyyy/mm/dd date optionally followed by a time of day. Returns
// the seconds of the day; raises "'%s' is not a valid date and time" for any other text.
int ParseDateTimeText(const std::string& text);

int ClampInterval(long long minutes);
// The interval box's text read by the integer rule; text that is no integer counts as 1.
int IntervalOfText(std::string_view text);

} // namespace kolvane
