#include "store/TaskEditing.h"

#include "base/Text.h"
#include "base/TimeText.h"
#include "store/IniFile.h"
#include "store/IntegerText.h"
#include "store/TaskTable.h"

#include <algorithm>
#include <stdexcept>

namespace kolvane {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void SkipSpaces(std::string_view& text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
}

// Consumes one or more digits; tells whether any of them was not zero.
bool TakeDigits(std::string_view& text, bool& nonZero) {
    size_t count = 0;
    while (count < text.size() && IsDigit(text[count])) {
        nonZero = nonZero || text[count] != '0';
        ++count;
    }
    text.remove_prefix(count);
    return count > 0;
}

// Blanks, an optional sign, digits with an optional fraction, an optional exponent, blanks.
std::optional<bool> FloatIsNonZero(std::string_view text) {
    SkipSpaces(text);
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
        text.remove_prefix(1);
    bool nonZero = false;
    bool integerDigits = TakeDigits(text, nonZero);
    bool fractionDigits = false;
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
        fractionDigits = TakeDigits(text, nonZero);
    }
    if (!integerDigits && !fractionDigits)
        return std::nullopt;
    if (!text.empty() && (text.front() == 'e' || text.front() == 'E')) {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '+' || text.front() == '-'))
            text.remove_prefix(1);
        bool ignored = false;
        if (!TakeDigits(text, ignored))
            return std::nullopt;
    }
    SkipSpaces(text);
    if (!text.empty())
        return std::nullopt;
    return nonZero;
}

std::optional<int> TakeNumber(std::string_view& text, size_t maxDigits) {
    size_t count = 0;
    int value = 0;
    while (count < text.size() && count < maxDigits && IsDigit(text[count]))
        value = value * 10 + (text[count++] - '0');
    if (count == 0)
        return std::nullopt;
    text.remove_prefix(count);
    return value;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Consumes a short date, year first, parts joined by one "-" or one "/".
bool TakeDate(std::string_view& text) {
    SkipSpaces(text);
    auto year = TakeNumber(text, 4);
    if (!year || text.empty() || (text.front() != '-' && text.front() != '/'))
        return false;
    const char separator = text.front();
    text.remove_prefix(1);
    auto month = TakeNumber(text, 2);
    if (!month || text.empty() || text.front() != separator)
        return false;
    text.remove_prefix(1);
    auto day = TakeNumber(text, 2);
    return day && *year >= 1 && *month >= 1 && *month <= 12 && *day >= 1 &&
           *day <= DaysInMonth(*year, *month);
}

std::optional<int> DateTimeOfDay(std::string_view text) {
    if (auto time = ParseTimeOfDay(text))
        return time;
    if (!TakeDate(text))
        return std::nullopt;
    if (text.find_first_not_of(' ') == std::string_view::npos)
        return 0;
    if (text.front() != ' ')
        return std::nullopt;
    return ParseTimeOfDay(text);
}

EditorStart StartFromRow(const TaskRow& row, std::string name) {
    EditorStart start;
    start.fields.name = std::move(name);
    start.fields.source = row.subItems[kSourceCell];
    start.fields.dest = row.subItems[kDestCell];
    start.fields.timeOfDay = ParseDateTimeText(row.subItems[kTimeCell]);
    start.fields.autoChildDir = ParseBooleanText(row.subItems[kSubDirCell]);
    start.fields.options = row.options;
    return start;
}

} // namespace

std::optional<FieldProblem> CheckTaskFields(const TaskFields& fields) {
    if (TrimControl(fields.name).empty())
        return FieldProblem{EditorPage::Base, EditorField::TaskName, "任务名不能为空"};
    if (TrimControl(fields.source).empty())
        return FieldProblem{EditorPage::Dir, EditorField::Source, "源目录（文件）不能为空"};
    if (TrimControl(fields.dest).empty())
        return FieldProblem{EditorPage::Dir, EditorField::Dest, "目标目录不能为空"};
    return std::nullopt;
}

void KeepUneditedTexts(TaskFields& entered, const TaskFields& given, const TaskFields& shown) {
    for (auto text : {&TaskFields::name, &TaskFields::source, &TaskFields::dest}) {
        if (entered.*text == shown.*text)
            entered.*text = given.*text;
    }
}

bool IsRename(bool isEdit, std::string_view oldTaskName, std::string_view newTaskName) {
    return isEdit && TrimControl(oldTaskName) != TrimControl(newTaskName);
}

void WriteTask(TIniFile& taskIni, const TaskFields& fields, bool isEdit,
               const std::string& oldTaskName) {
    if (IsRename(isEdit, oldTaskName, fields.name))
        taskIni.DropSection(oldTaskName);
    const std::string& section = fields.name;
    taskIni.PutEntry(section, "taskName", fields.name);
    taskIni.PutEntry(section, "taskSource", fields.source);
    taskIni.PutEntry(section, "taskDest", fields.dest);
    taskIni.PutFlag(section, "taskautoChild", fields.autoChildDir);
    taskIni.PutEntry(section, "taskDD", FormatSecondOfDay(fields.timeOfDay));
    taskIni.PutFlag(section, "useDelayM", fields.useInterval);
    taskIni.PutNumber(section, "delayM", fields.interval);
    WriteTaskOptions(taskIni, section, fields.options);
}

std::string CloneName(std::string_view name) {
    return std::string(name) + "1";
}

EditorStart StartNewTask() {
    return {};
}

EditorStart StartEditTask(const TaskRow& row) {
    EditorStart start = StartFromRow(row, row.subItems[kNameCell]);
    const std::int32_t interval = IntegerOr(row.subItems[kIntervalCell], 0);
    if (interval > 0) {
        start.fields.useInterval = true;
        start.fields.interval = ClampInterval(interval);
    }
    start.isEdit = true;
    start.oldTaskName = row.subItems[kNameCell];
    return start;
}

EditorStart StartCloneTask(const TaskRow& row) {
    return StartFromRow(row, CloneName(row.subItems[kNameCell]));
}

bool ParseBooleanText(const std::string& text) {
    if (auto nonZero = FloatIsNonZero(text))
        return *nonZero;
    const std::string lowered = AsciiLower(text);
    if (lowered == "true")
        return true;
    if (lowered == "false")
        return false;
    throw std::runtime_error("'" + text + "' is not a valid boolean value");
}

int ParseDateTimeText(const std::string& text) {
    if (auto time = DateTimeOfDay(text))
        return *time;
    throw std::runtime_error("'" + text + "' is not a valid date and time");
}

int ClampInterval(long long minutes) {
    return static_cast<int>(std::clamp<long long>(minutes, kMinInterval, kMaxInterval));
}

int IntervalOfText(std::string_view text) {
    return ClampInterval(IntegerOr(text, kMinInterval));
}

} // namespace kolvane
