// Parses a settings file, writes one key, and checks what a rewrite promises: every line the
// write is not about stays byte for byte (line end included), the written value reads back, and
// every other task's values read as before.
//
// Input: the section name on the first line, the value on the second, the key on the third (one
// of the program's keys in any letter case; other text picks one), the file content after that.

#include "FuzzCheck.h"
#include "store/IniDocument.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane {
namespace {

using fuzzing::Require;

constexpr std::string_view kKeys[] = {"taskName", "taskSource", "taskDest", "taskautoChild",
                                      "taskDD",   "useDelayM",  "delayM",   "runCount"};

struct WriteCase {
    std::string section;
    std::string key;
    std::string value;
    std::string_view content;
};

std::string_view TakeLine(std::string_view& input) {
    const std::size_t end = std::min(input.find('\n'), input.size());
    const std::string_view line = input.substr(0, end);
    input.remove_prefix(std::min(end + 1, input.size()));
    return line;
}

// Writes never carry line breaks (the settings object refuses them), so none are fuzzed.
std::string WithoutLineBreaks(std::string_view text) {
    std::string kept;
    std::copy_if(text.begin(), text.end(), std::back_inserter(kept),
                 [](char c) { return c != '\r' && c != '\n'; });
    return kept;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return Lower(x) == Lower(y); });
}

// Names are matched with letter case and surrounding blanks aside.
std::string NameKey(std::string_view name) {
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
        name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.remove_suffix(1);
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(), Lower);
    return key;
}

std::string ChooseKey(std::string_view text) {
    for (std::string_view key : kKeys)
        if (EqualIgnoringCase(key, text))
            return std::string(text);
    unsigned sum = 0;
    for (unsigned char c : text)
        sum += c;
    return std::string(kKeys[sum % std::size(kKeys)]);
}

WriteCase ReadCase(std::string_view input) {
    WriteCase write;
    write.section = WithoutLineBreaks(TakeLine(input));
    write.value = WithoutLineBreaks(TakeLine(input));
    write.key = ChooseKey(TakeLine(input));
    write.content = input;
    return write;
}

// Each line with its line end, so a changed line end shows as a changed line.
std::vector<std::string_view> LinesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size() - 1) + 1;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return lines;
}

bool IsTerminatedCopy(std::string_view line, std::string_view copy) {
    return copy.starts_with(line) &&
           (copy.substr(line.size()) == "\n" || copy.substr(line.size()) == "\r\n");
}

// Only the last line can end in a bare CR.
std::string_view LineEndOf(std::string_view line) {
    return line.ends_with("\r\n") ? "\r\n"
           : line.ends_with('\n') ? "\n"
           : line.ends_with('\r') ? "\r"
                                  : "";
}

// The byte-order mark goes before the first line and stays as it was; it is no line of its own.
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.starts_with(kByteOrderMark) ? text.substr(kByteOrderMark.size()) : text;
}

// The rewrite may replace one line, insert one or two, or append after an unterminated last
// line, which then gains its line end (one ending in a bare CR gains the LF); nothing else may
// differ.
void RequireOnlyTheWrittenLinesChanged(std::string_view before, std::string_view after) {
    const std::vector<std::string_view> a = LinesOf(before), b = LinesOf(after);
    std::size_t prefix = 0;
    while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (prefix + suffix < a.size() && prefix + suffix < b.size() &&
           a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    const std::size_t removed = a.size() - prefix - suffix;
    const std::size_t added = b.size() - prefix - suffix;
    if (removed == 0) {
        Require(added <= 2, "at most two lines are added");
        return;
    }
    Require(removed == 1, "at most one line is replaced");
    const std::string_view old = a[prefix], now = b[prefix];
    const bool oldIsLast = prefix + 1 == a.size();
    if (oldIsLast && !old.ends_with('\n') && added >= 2) {
        Require(added <= 3 && IsTerminatedCopy(old, now),
                "an unterminated last line only gains its line end");
        return;
    }
    Require(added == 1, "a replaced line stays one line");
    Require(LineEndOf(old) == LineEndOf(now), "a replaced line keeps its line end");
}

// Every value of every task, as the program would read it.
std::vector<std::pair<std::string, std::string>> AllValues(const IniDocument& document) {
    std::vector<std::string> sections;
    document.SectionNames(sections);
    std::vector<std::pair<std::string, std::string>> values;
    for (const std::string& section : sections) {
        for (std::string_view key : kKeys) {
            std::string value = "(absent)";
            document.Find(section, key, value);
            values.emplace_back(NameKey(section) + "/" + std::string(key), value);
        }
    }
    return values;
}

void CheckWrite(const WriteCase& write) {
    const IniDocument original = IniDocument::Parse(write.content);
    IniDocument changed = original;
    // Any bytes may be offered: a text the file could not hold, or not read back as it was
    // written, is refused, and the document stays as it was.
    if (changed.Set(write.section, write.key, write.value) == IniDocument::Change::Refused) {
        Require(changed.Serialize() == original.Serialize(), "a refused write changes nothing");
        return;
    }
    const std::string rewritten = changed.Serialize();
    const IniDocument reread = IniDocument::Parse(rewritten);

    std::string value;
    Require(reread.Find(write.section, write.key, value) && value == write.value,
            "the written value reads back");
    Require(rewritten.starts_with(kByteOrderMark) == write.content.starts_with(kByteOrderMark),
            "the byte-order mark stays as it was");
    RequireOnlyTheWrittenLinesChanged(WithoutByteOrderMark(write.content),
                                      WithoutByteOrderMark(rewritten));

    const std::string writtenKey = NameKey(write.section) + "/" + NameKey(write.key);
    const auto after = AllValues(reread);
    for (const auto& [name, before] : AllValues(original)) {
        if (NameKey(name) == writtenKey)
            continue;
        const auto found =
            std::find_if(after.begin(), after.end(),
                         [&name = name](const auto& entry) { return entry.first == name; });
        Require(found != after.end() && found->second == before,
                "every other value reads as before");
    }
}

} // namespace
} // namespace kolvane

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kolvane::CheckWrite(
        kolvane::ReadCase(std::string_view(reinterpret_cast<const char*>(data), size)));
    return 0;
}
