#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kolvane {

// The parsed text of a settings file. Keeps every line as it was read, so that a rewrite changes
// only the lines a write is about; lookups go through an index of the sections.
class IniDocument {
public:
    static IniDocument Parse(std::string_view content);
    std::string Serialize() const;

    // Looks in the first section of that name (letter case and surrounding blanks aside) for its
    // first key of that name; false when either is missing.
    bool Find(std::string_view section, std::string_view key, std::string& value) const;
    void SectionNames(std::vector<std::string>& names) const;

    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every section of that name with all its lines; false when there was none.
    bool Drop(std::string_view section);

private:
    struct Line {
        std::string text;
        bool isSection = false;
        std::string end; // the line's own line end: "\r\n", "\n", or "" or "\r" for the last line
    };
    struct Section {
        std::string name; // as written between the brackets, without surrounding blanks
        std::size_t header = 0;
        std::size_t end = 0; // one past the section's last line
    };

    std::size_t FindKeyLine(const Section& section, std::string_view key) const;
    void Insert(std::size_t at, std::string text, bool isSection);
    void Reindex();

    std::vector<Line> lines_;
    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> firstSectionByName_; // lower-case name
    const char* lineEnd_ = "\n"; // for new lines: the first line's
};

// The value as stored: enclosing quotes protect surrounding blanks and quotes of the value itself.
std::string EncodeIniValue(std::string_view value);
std::string DecodeIniValue(std::string_view stored);

} // namespace kolvane
