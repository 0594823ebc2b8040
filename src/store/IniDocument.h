#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kolvane {

// The parsed text of a settings file. Keeps every line's bytes and line end as they were read,
// so that a rewrite changes only the lines a write is about; lookups go through an index of the
// sections.
//
// Text given and returned is UTF-8. A file that starts with the UTF-8 byte-order mark is UTF-8
// (the mark is written back); any other file is UTF-8 where the system's text is and its bytes
// are valid UTF-8, legacy text (see platform/TextEncoding.h) otherwise. A line that does not
// decode is carried as its bytes: its values read as those bytes and are written back as such.
class IniDocument {
public:
    enum class Change { Made, None, Refused };

    static IniDocument Parse(std::string_view content);
    std::string Serialize() const;

    // Looks in the first section of that name (letter case and surrounding blanks aside) for its
    // first key of that name; false when either is missing.
    bool Find(std::string_view section, std::string_view key, std::string& value) const;
    void SectionNames(std::vector<std::string>& names) const;
    // The sections that an earlier section of the same name hides from every lookup, in file
    // order, named as written.
    void ShadowedSectionNames(std::vector<std::string>& names) const;

    // None when the key holds that value already, so its line stays as it is. Refused, with
    // nothing changed, when the file's encoding cannot hold the text, when the written line would
    // not read back as written, or when the file would be read in another encoding (so that
    // other lines would change their meaning).
    Change Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes the first section of that name with all its lines: None when there is none,
    // Refused, with nothing changed, when the rest would be read in another encoding.
    Change Drop(std::string_view section);
    // Removes every line of that key from the first section of that name: None when there is
    // none, Refused, with nothing changed, when the rest would be read in another encoding.
    Change DeleteKey(std::string_view section, std::string_view key);

private:
    enum class Encoding { Utf8, Legacy };
    // Cr only ends the file's last line: a CR before the end of the file belongs to its line.
    enum class LineEnd : unsigned char { None, Lf, CrLf, Cr };
    struct Line {
        std::string text;  // decoded; the bytes themselves where they do not decode
        std::string bytes; // as in the file, without the line end
        LineEnd end = LineEnd::Lf;
        bool isSection = false;
    };
    struct Section {
        std::string name; // as written between the brackets, without surrounding blanks
        std::size_t header = 0;
        std::size_t end = 0; // one past the section's last line
    };

    static Encoding EncodingOf(std::string_view content);
    std::string DecodeLine(const std::string& bytes) const;
    bool EncodeText(std::string_view text, std::string& bytes) const;
    bool ReadsBackAsWritten(const Line& line) const;
    bool KeepsItsEncoding();
    void InsertLine(std::size_t at, Line line);
    Change InsertLines(std::size_t at, std::vector<Line> lines);
    std::size_t FindKeyLine(const Section& section, std::string_view key) const;
    void Reindex();

    std::vector<Line> lines_;
    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> firstSectionByName_; // lower-case name
    Encoding encoding_ = EncodingOf({});
    bool byteOrderMark_ = false;
};

// The value as stored: enclosing quotes protect surrounding blanks and quotes of the value itself.
std::string EncodeIniValue(std::string_view value);
std::string DecodeIniValue(std::string_view stored);

} // namespace kolvane
