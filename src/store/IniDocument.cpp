#include "store/IniDocument.h"

#include "base/Text.h"
#include "platform/TextEncoding.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

namespace kolvane {
namespace {

std::string LowerKey(std::string_view name) {
    return AsciiLower(TrimBlanks(name));
}

bool SameName(std::string_view a, std::string_view b) {
    a = TrimBlanks(a);
    b = TrimBlanks(b);
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
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

bool HasClosingBracket(std::string_view line) {
    line = TrimBlanks(line);
    return line.starts_with('[') && line.find(']', 1) != line.npos;
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

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        unsigned char low = 0x80, high = 0xBF; // the range of the first continuation byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else if (lead >= 0x80) {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return false;
        }
        i += length;
    }
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

IniDocument::Encoding IniDocument::EncodingOf(std::string_view content) {
    if (content.starts_with(kByteOrderMark))
        return Encoding::Utf8;
    return platform::SystemTextIsUtf8() && IsValidUtf8(content) ? Encoding::Utf8 : Encoding::Legacy;
}

IniDocument IniDocument::Parse(std::string_view content) {
    IniDocument document;
    document.encoding_ = EncodingOf(content);
    document.byteOrderMark_ = content.starts_with(kByteOrderMark);
    if (document.byteOrderMark_)
        content.remove_prefix(kByteOrderMark.size());
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        Line line;
        if (end == std::string_view::npos) {
            end = content.size();
            line.end = LineEnd::None;
        }
        std::string_view bytes = content.substr(start, end - start);
        // A CR that ends the file ends its last line, as readers that take any CR for a line
        // end have it; its value does not hold the CR.
        if (!bytes.empty() && bytes.back() == '\r') {
            bytes.remove_suffix(1);
            line.end = line.end == LineEnd::Lf ? LineEnd::CrLf : LineEnd::Cr;
        }
        line.bytes = std::string(bytes);
        line.text = document.DecodeLine(line.bytes);
        std::string_view ignored;
        line.isSection = ParseSectionHeader(line.text, ignored);
        document.lines_.push_back(std::move(line));
        start = end + 1;
    }
    document.Reindex();
    return document;
}

std::string IniDocument::Serialize() const {
    std::string content(byteOrderMark_ ? kByteOrderMark : "");
    for (const Line& line : lines_) {
        content += line.bytes;
        if (line.end == LineEnd::CrLf)
            content += "\r\n";
        else if (line.end == LineEnd::Lf)
            content += '\n';
        else if (line.end == LineEnd::Cr)
            content += '\r';
    }
    return content;
}

// A line is decoded only when its bytes come back unchanged from the text, so that writing the
// text again can never alter a line the program did not mean to change, and when it stays the
// kind of line it was: in GBK "]" is also the second byte of a character, so a section header of
// foreign bytes could otherwise stop being one.
std::string IniDocument::DecodeLine(const std::string& bytes) const {
    if (encoding_ == Encoding::Utf8 || IsAscii(bytes))
        return bytes;
    const std::optional<std::string> text = platform::LegacyToUtf8(bytes);
    if (text && platform::Utf8ToLegacy(*text) == bytes &&
        HasClosingBracket(*text) == HasClosingBracket(bytes))
        return *text;
    return bytes;
}

// Text that is not valid UTF-8 came from a line that did not decode and goes back as the bytes
// it was.
bool IniDocument::EncodeText(std::string_view text, std::string& bytes) const {
    if (encoding_ == Encoding::Utf8 || IsAscii(text) || !IsValidUtf8(text)) {
        bytes = std::string(text);
        return true;
    }
    std::optional<std::string> legacy = platform::Utf8ToLegacy(text);
    if (!legacy)
        return false;
    bytes = std::move(*legacy);
    return true;
}

// A fresh read of the line's bytes gives back its text, and the same kind of line.
bool IniDocument::ReadsBackAsWritten(const Line& line) const {
    std::string_view ignored;
    return DecodeLine(line.bytes) == line.text &&
           ParseSectionHeader(line.text, ignored) == line.isSection;
}

// The encoding of a file without a byte-order mark follows from its bytes, so a change is kept
// only when the file it makes is read in the encoding its lines were decoded in. Plain ASCII
// reads alike in both and takes the encoding a fresh read of it would.
bool IniDocument::KeepsItsEncoding() {
    const std::string content = Serialize();
    const Encoding now = EncodingOf(content);
    if (now != encoding_ && !IsAscii(content))
        return false;
    encoding_ = now;
    return true;
}

// A new line takes the line end of the line before it; a last line without one gets the end of
// the nearest line above it that has one, and one ending in a bare CR gets the LF of a CRLF (a
// bare CR before the file's end would not end a line).
void IniDocument::InsertLine(std::size_t at, Line line) {
    if (at > 0) {
        Line& before = lines_[at - 1];
        if (before.end == LineEnd::Cr)
            before.end = LineEnd::CrLf;
        for (std::size_t i = at - 1; before.end == LineEnd::None && i-- > 0;)
            before.end = lines_[i].end;
        if (before.end == LineEnd::None)
            before.end = LineEnd::Lf;
        line.end = before.end;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

// The lines go in, in order, at `at`; they are taken out again, and the change refused, when one
// would not read back as written or the file would change its encoding.
IniDocument::Change IniDocument::InsertLines(std::size_t at, std::vector<Line> lines) {
    if (!std::all_of(lines.begin(), lines.end(),
                     [this](const Line& line) { return ReadsBackAsWritten(line); }))
        return Change::Refused;
    // Only a last line without a line end is touched by an insertion: it gains one.
    const LineEnd lastEnd = lines_.empty() ? LineEnd::None : lines_.back().end;
    for (std::size_t i = 0; i < lines.size(); ++i)
        InsertLine(at + i, std::move(lines[i]));
    if (!KeepsItsEncoding()) {
        const auto first = lines_.begin() + static_cast<std::ptrdiff_t>(at);
        lines_.erase(first, first + static_cast<std::ptrdiff_t>(lines.size()));
        if (!lines_.empty())
            lines_.back().end = lastEnd;
        return Change::Refused;
    }
    Reindex();
    return Change::Made;
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

void IniDocument::ShadowedSectionNames(std::vector<std::string>& names) const {
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (firstSectionByName_.at(LowerKey(sections_[i].name)) != i)
            names.push_back(sections_[i].name);
    }
}

IniDocument::Change IniDocument::Set(std::string_view section, std::string_view key,
                                     std::string_view value) {
    const std::string stored = EncodeIniValue(value);
    std::string storedBytes;
    if (!EncodeText(stored, storedBytes))
        return Change::Refused;
    const auto found = firstSectionByName_.find(LowerKey(section));
    if (found == firstSectionByName_.end()) {
        std::string sectionBytes, keyBytes;
        if (!EncodeText(section, sectionBytes) || !EncodeText(key, keyBytes))
            return Change::Refused;
        std::vector<Line> added;
        added.push_back(
            {"[" + std::string(section) + "]", "[" + sectionBytes + "]", LineEnd::Lf, true});
        added.push_back({std::string(key) + "=" + stored, keyBytes + "=" + storedBytes});
        return InsertLines(lines_.size(), std::move(added));
    }
    const Section& target = sections_[found->second];
    const std::size_t keyLine = FindKeyLine(target, key);
    if (keyLine < lines_.size()) {
        std::string_view lineKey, oldValue;
        SplitEntry(lines_[keyLine].text, lineKey, oldValue);
        if (DecodeIniValue(oldValue) == value)
            return Change::None;
        std::string keyBytes;
        if (!EncodeText(lineKey, keyBytes))
            return Change::Refused;
        Line line{std::string(lineKey) + "=" + stored, keyBytes + "=" + storedBytes,
                  lines_[keyLine].end};
        if (!ReadsBackAsWritten(line))
            return Change::Refused;
        std::swap(lines_[keyLine], line);
        if (!KeepsItsEncoding()) {
            std::swap(lines_[keyLine], line);
            return Change::Refused;
        }
        return Change::Made;
    }
    std::string keyBytes;
    if (!EncodeText(key, keyBytes))
        return Change::Refused;
    // A new key goes after the section's last entry, ahead of any blank or comment lines that
    // separate it from the next section.
    std::size_t insertAt = target.header + 1;
    for (std::size_t i = target.header + 1; i < target.end; ++i) {
        std::string_view lineKey, oldValue;
        if (SplitEntry(lines_[i].text, lineKey, oldValue))
            insertAt = i + 1;
    }
    std::vector<Line> added;
    added.push_back({std::string(key) + "=" + stored, keyBytes + "=" + storedBytes});
    return InsertLines(insertAt, std::move(added));
}

IniDocument::Change IniDocument::Drop(std::string_view section) {
    const auto found = firstSectionByName_.find(LowerKey(section));
    if (found == firstSectionByName_.end())
        return Change::None;
    const Section& target = sections_[found->second];
    const auto first = lines_.begin() + static_cast<std::ptrdiff_t>(target.header);
    const auto last = lines_.begin() + static_cast<std::ptrdiff_t>(target.end);
    std::vector<Line> removed(std::make_move_iterator(first), std::make_move_iterator(last));
    const auto at = lines_.erase(first, last);
    if (!KeepsItsEncoding()) {
        lines_.insert(at, std::make_move_iterator(removed.begin()),
                      std::make_move_iterator(removed.end()));
        return Change::Refused;
    }
    Reindex();
    return Change::Made;
}

IniDocument::Change IniDocument::DeleteKey(std::string_view section, std::string_view key) {
    const auto found = firstSectionByName_.find(LowerKey(section));
    if (found == firstSectionByName_.end())
        return Change::None;
    const Section& target = sections_[found->second];
    std::vector<Line> kept(lines_.begin(),
                           lines_.begin() + static_cast<std::ptrdiff_t>(target.header + 1));
    for (std::size_t i = target.header + 1; i < target.end; ++i) {
        std::string_view lineKey, value;
        if (!SplitEntry(lines_[i].text, lineKey, value) || !SameName(lineKey, key))
            kept.push_back(lines_[i]);
    }
    if (kept.size() == target.end)
        return Change::None;
    kept.insert(kept.end(), lines_.begin() + static_cast<std::ptrdiff_t>(target.end), lines_.end());
    std::swap(lines_, kept);
    if (!KeepsItsEncoding()) {
        std::swap(lines_, kept);
        return Change::Refused;
    }
    Reindex();
    return Change::Made;
}

} // namespace kolvane
