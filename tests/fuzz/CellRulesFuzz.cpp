// The rules that read a task's cells and flags as text: the editor's date-and-time and boolean
// texts, and the settings file's flags. Each either gives a value or fails with its own message
// naming the text; neither ever fails otherwise. Accepted values are checked against the simpler
// rules they extend.

#include "FuzzCheck.h"
#include "engine/Clock.h"
#include "store/IniDocument.h"
#include "store/IniFile.h"
#include "store/IntegerText.h"
#include "store/TaskEditing.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>

namespace kolvane {
namespace {

using fuzzing::Require;

// An error's text is shown as a C string, so it ends at a zero byte of the cell.
bool SameMessage(const std::exception& error, const std::string& expected) {
    return std::strcmp(error.what(), expected.c_str()) == 0;
}

void CheckDateTimeText(const std::string& text) {
    const std::optional<int> timeOfDay = ParseTimeOfDay(text);
    int seconds = -1;
    try {
        seconds = ParseDateTimeText(text);
    } catch (const std::runtime_error& error) {
        Require(SameMessage(error, "'" + text + "' is not a valid date and time"),
                "a date-and-time failure names the text");
        Require(!timeOfDay, "every time of day is a date and time");
        return;
    }
    Require(seconds >= 0 && seconds < 86400, "a date and time gives a second of the day");
    Require(!timeOfDay || *timeOfDay == seconds, "a time of day reads as itself");
    Require(ParseDateTimeText(FormatSecondOfDay(seconds)) == seconds,
            "the time the editor writes reads back");
    if (timeOfDay) {
        Require(ParseDateTimeText("2026-03-01 " + text) == seconds &&
                    ParseDateTimeText("2026/3/1 " + text) == seconds,
                "a date before a time of day leaves the time");
    }
}

// The integer rule in decimal form: those texts are floating-point numbers as well.
std::optional<std::int32_t> DecimalInteger(const std::string& text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == text.npos || text.find_first_of("$xX", start) != text.npos)
        return std::nullopt;
    return ParseInteger(text);
}

std::string Lowered(std::string text) {
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

void CheckBooleanText(const std::string& text) {
    bool value = false;
    try {
        value = ParseBooleanText(text);
    } catch (const std::runtime_error& error) {
        Require(SameMessage(error, "'" + text + "' is not a valid boolean value"),
                "a boolean failure names the text");
        Require(!DecimalInteger(text) && Lowered(text) != "true" && Lowered(text) != "false",
                "integers, True and False are boolean texts");
        return;
    }
    if (const std::optional<std::int32_t> number = DecimalInteger(text))
        Require(value == (*number != 0), "a number is true when it is not 0");
    if (Lowered(text) == "true" || Lowered(text) == "false")
        Require(value == (Lowered(text) == "true"), "True and False read as written");
}

// A settings file of its own, in the temporary directory, removed at the end.
class ScratchFile {
public:
    ScratchFile()
        : path_((std::filesystem::temp_directory_path() /
                 ("kolvane-fuzz-" + std::to_string(::getpid()) + ".ini"))
                    .string()) {}
    ~ScratchFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A flag reads by the integer rule with the default 1 or 0; any other value than 0 is true.
void CheckFlag(const std::string& text) {
    if (text.find_first_of("\r\n") != text.npos)
        return; // values are single lines; the settings object refuses line breaks
    static const ScratchFile file;
    IniDocument document = IniDocument::Parse("");
    if (document.Set("t", "useDelayM", text) == IniDocument::Change::Refused)
        return; // a text the file's encoding cannot hold is never written
    // A new file each time: rewriting a truncated one makes some file systems flush it on close.
    std::filesystem::remove(file.path());
    std::ofstream(file.path(), std::ios::binary) << document.Serialize();
    const TIniFile taskIni(file.path());
    const std::optional<std::int32_t> number = ParseInteger(text);
    for (bool fallback : {false, true}) {
        Require(taskIni.GetFlag("t", "useDelayM", fallback) == (number ? *number != 0 : fallback),
                "a flag follows the integer rule");
    }
}

} // namespace
} // namespace kolvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    kolvane::CheckDateTimeText(text);
    kolvane::CheckBooleanText(text);
    kolvane::CheckFlag(text);
    return 0;
}
