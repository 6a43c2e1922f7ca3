#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The bytes of a Windows-style INI file, read as the Windows reader reads them and edited in place. Setting
// a key changes only that key's line (or adds one): every other byte of the dealer's file stays as it was,
// line ends, comments, spacing, duplicate sections and lines the reader skips included.
//
// Reading: sections and keys compare without regard to ASCII case; the first line that gives a key in any
// section of that name wins; spaces and tabs around keys and values do not count; lines starting with ';'
// or '#' and lines without '=' are skipped; a "[..." line without ']' starts a section no key is read from;
// zero bytes and a leading UTF-8 byte order mark are ignored. Lines end at CR LF, LF or a lone CR.
class IniText {
public:
    explicit IniText(std::string content = {});

    const std::string& content() const { return content_; }

    // The value as written in the file (without the surrounding spaces), or nothing when the key is absent.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The value as the program reads it: one pair of matching quotes taken off.
    static std::string unquoted(std::string value);
    // The value as the program reads a text (unquoted) or a decimal integer (an optional sign, digits and
    // nothing else, within int); nothing when the key is absent or its value is no such integer.
    std::optional<std::string> text(std::string_view section, std::string_view key) const;
    std::optional<int> integer(std::string_view section, std::string_view key) const;

    // Replaces the key's value on its line, keeping the key's spelling, the text around the value and the
    // line end; a missing key is added after the last entry of the first section of that name, a missing
    // section at the end of the file, with the line end the file uses most (CR LF when it has none). A
    // value that would not read back as itself is put in quotes. False, with nothing changed, when the
    // value cannot be held on one line.
    bool set(std::string_view section, std::string_view key, std::string_view value);

private:
    enum class Kind { Blank, Comment, Section, BrokenSection, Entry, Skipped };
    struct Line {
        std::size_t begin = 0;   // first byte of the line
        std::size_t textEnd = 0; // where its line end starts
        std::size_t end = 0;     // after its line end
        Kind kind = Kind::Blank;
        std::string name;           // the section's name or the entry's key, as the reader sees it
        std::size_t valueBegin = 0; // the entry's value, in the file's bytes
        std::size_t valueEnd = 0;
    };

    void parse();
    // text and at are scratch space, kept from line to line.
    Line parseLine(std::size_t begin, std::size_t textEnd, std::size_t end, std::string& text,
                   std::vector<std::size_t>& at) const;
    // The index of the key's line, or lines_.size().
    std::size_t find(std::string_view section, std::string_view key) const;
    std::string dominantLineEnd() const;
    void insertLine(std::size_t at, std::string text, std::string lineEnd);

    std::string content_;
    std::vector<Line> lines_;
};
