#include "store/IniDocument.h"

#include <algorithm>

namespace kolvane {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string LowerKey(std::string_view name) {
    std::string lower(TrimBlanks(name));
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return lower;
}

bool SameName(std::string_view a, std::string_view b) {
    a = TrimBlanks(a);
    b = TrimBlanks(b);
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
        return lower(x) == lower(y);
    });
}

// "[name]" with the name between the first "[" and the last "]".
bool ParseSectionHeader(std::string_view line, std::string_view& name) {
    line = TrimBlanks(line);
    if (line.size() < 2 || line.front() != '[')
        return false;
    const std::size_t close = line.rfind(']');
    if (close == 0)
        return false;
    name = TrimBlanks(line.substr(1, close - 1));
    return true;
}

bool IsComment(std::string_view line) {
    line = TrimBlanks(line);
    return !line.empty() && (line.front() == ';' || line.front() == '#');
}

// Splits "key=value"; false for lines that hold no entry.
bool SplitEntry(std::string_view line, std::string_view& key, std::string_view& value) {
    if (IsComment(line))
        return false;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return false;
    key = TrimBlanks(line.substr(0, equals));
    value = line.substr(equals + 1);
    return true;
}

} // namespace

std::string EncodeIniValue(std::string_view value) {
    const bool blankAtEdge = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    if (blankAtEdge || quoted)
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

std::string DecodeIniValue(std::string_view stored) {
    stored = TrimBlanks(stored);
    if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"')
        stored = stored.substr(1, stored.size() - 2);
    return std::string(stored);
}

IniDocument IniDocument::Parse(std::string_view content) {
    IniDocument document;
    const std::size_t firstLineFeed = content.find('\n');
    if (firstLineFeed != std::string_view::npos && firstLineFeed > 0 &&
        content[firstLineFeed - 1] == '\r')
        document.lineEnd_ = "\r\n";
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        end = end == std::string_view::npos ? content.size() : end + 1;
        std::string_view text = content.substr(start, end - start);
        std::size_t lineEnd = text.ends_with('\n') ? 1 : 0;
        if (text.size() > lineEnd && text[text.size() - lineEnd - 1] == '\r')
            ++lineEnd;
        const std::string_view ending = text.substr(text.size() - lineEnd);
        text.remove_suffix(lineEnd);
        std::string_view ignored;
        document.lines_.push_back(
            {std::string(text), ParseSectionHeader(text, ignored), std::string(ending)});
        start = end;
    }
    document.Reindex();
    return document;
}

std::string IniDocument::Serialize() const {
    std::string content;
    for (const Line& line : lines_)
        content.append(line.text).append(line.end);
    return content;
}

// A line added after the last one ends that one first, if it was left unterminated; a bare CR
// there becomes a CRLF, so its byte stays.
void IniDocument::Insert(std::size_t at, std::string text, bool isSection) {
    if (at == lines_.size() && !lines_.empty() && !lines_.back().end.ends_with('\n')) {
        std::string& end = lines_.back().end;
        end = end.empty() ? lineEnd_ : end + "\n";
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  {std::move(text), isSection, lineEnd_});
}

void IniDocument::Reindex() {
    sections_.clear();
    firstSectionByName_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!lines_[i].isSection)
            continue;
        if (!sections_.empty())
            sections_.back().end = i;
        std::string_view name;
        ParseSectionHeader(lines_[i].text, name);
        sections_.push_back({std::string(name), i, lines_.size()});
        firstSectionByName_.try_emplace(LowerKey(name), sections_.size() - 1);
    }
}

std::size_t IniDocument::FindKeyLine(const Section& section, std::string_view key) const {
    for (std::size_t i = section.header + 1; i < section.end; ++i) {
        std::string_view lineKey, value;
        if (SplitEntry(lines_[i].text, lineKey, value) && SameName(lineKey, key))
            return i;
    }
    return lines_.size();
}

bool IniDocument::Find(std::string_view section, std::string_view key, std::string& value) const {
    const auto found = firstSectionByName_.find(LowerKey(section));
    if (found == firstSectionByName_.end())
        return false;
    const std::size_t line = FindKeyLine(sections_[found->second], key);
    if (line == lines_.size())
        return false;
    std::string_view lineKey, stored;
    SplitEntry(lines_[line].text, lineKey, stored);
    value = DecodeIniValue(stored);
    return true;
}

void IniDocument::SectionNames(std::vector<std::string>& names) const {
    for (const Section& section : sections_)
        names.push_back(section.name);
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string stored = EncodeIniValue(value);
    const auto found = firstSectionByName_.find(LowerKey(section));
    if (found == firstSectionByName_.end()) {
        Insert(lines_.size(), "[" + std::string(section) + "]", true);
        Insert(lines_.size(), std::string(key) + "=" + stored, false);
        Reindex();
        return;
    }
    const Section& target = sections_[found->second];
    const std::size_t keyLine = FindKeyLine(target, key);
    if (keyLine < lines_.size()) {
        std::string_view lineKey, oldValue;
        SplitEntry(lines_[keyLine].text, lineKey, oldValue);
        lines_[keyLine].text = std::string(lineKey) + "=" + stored;
        return;
    }
    // A new key goes after the section's last entry, ahead of any blank or comment lines that
    // separate it from the next section.
    std::size_t insertAt = target.header + 1;
    for (std::size_t i = target.header + 1; i < target.end; ++i) {
        std::string_view lineKey, oldValue;
        if (SplitEntry(lines_[i].text, lineKey, oldValue))
            insertAt = i + 1;
    }
    Insert(insertAt, std::string(key) + "=" + stored, false);
    Reindex();
}

bool IniDocument::Drop(std::string_view section) {
    bool dropped = false;
    for (std::size_t i = sections_.size(); i-- > 0;) {
        if (!SameName(sections_[i].name, section))
            continue;
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(sections_[i].header),
                     lines_.begin() + static_cast<std::ptrdiff_t>(sections_[i].end));
        dropped = true;
    }
    if (dropped)
        Reindex();
    return dropped;
}

} // namespace kolvane
