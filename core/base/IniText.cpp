#include "core/base/IniText.h"

#include <algorithm>
#include <charconv>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

bool holdsNoLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

// A name the reader would give back as it is.
bool readableName(std::string_view name, std::string_view forbidden) {
    return holdsNoLineBreak(name) && name.find_first_of(forbidden) == std::string_view::npos &&
           (name.empty() || (!isSpace(name.front()) && !isSpace(name.back())));
}

} // namespace

IniText::IniText(std::string content) : content_(std::move(content)) {
    parse();
}

void IniText::parse() {
    lines_.clear();
    // Every line is read through the same two buffers: the file is parsed again after every edit.
    std::string text;
    std::vector<std::size_t> at;
    std::size_t begin = 0;
    while (begin < content_.size()) {
        std::size_t textEnd = begin;
        while (textEnd < content_.size() && !isLineEnd(content_[textEnd]))
            ++textEnd;
        std::size_t end = textEnd;
        if (end < content_.size())
            end += content_[end] == '\r' && end + 1 < content_.size() && content_[end + 1] == '\n' ? 2 : 1;
        lines_.push_back(parseLine(begin, textEnd, end, text, at));
        begin = end;
    }
}

IniText::Line IniText::parseLine(std::size_t begin, std::size_t textEnd, std::size_t end, std::string& text,
                                 std::vector<std::size_t>& at) const {
    Line line;
    line.begin = begin;
    line.textEnd = textEnd;
    line.end = end;
    // The reader never sees zero bytes, nor the byte order mark at the start of the file; "at" maps what it
    // sees back to the file's bytes.
    text.clear();
    at.clear();
    for (std::size_t i = begin; i < textEnd; ++i)
        if (content_[i] != '\0') {
            text += content_[i];
            at.push_back(i);
        }
    if (begin == 0 && text.starts_with(kByteOrderMark)) {
        text.erase(0, kByteOrderMark.size());
        at.erase(at.begin(), at.begin() + static_cast<std::ptrdiff_t>(kByteOrderMark.size()));
    }

    std::size_t first = 0;
    while (first < text.size() && isSpace(text[first]))
        ++first;
    if (first == text.size()) {
        line.kind = Kind::Blank;
        return line;
    }
    if (text[first] == ';' || text[first] == '#') {
        line.kind = Kind::Comment;
        return line;
    }
    if (text[first] == '[') {
        const std::size_t close = text.find(']', first + 1);
        if (close == std::string::npos) {
            line.kind = Kind::BrokenSection;
            return line;
        }
        std::size_t nameBegin = first + 1;
        while (nameBegin < close && isSpace(text[nameBegin]))
            ++nameBegin;
        std::size_t nameEnd = close;
        while (nameEnd > nameBegin && isSpace(text[nameEnd - 1]))
            --nameEnd;
        line.kind = Kind::Section;
        line.name = text.substr(nameBegin, nameEnd - nameBegin);
        return line;
    }
    const std::size_t equals = text.find('=', first);
    if (equals == std::string::npos || equals == first) {
        line.kind = Kind::Skipped;
        return line;
    }
    std::size_t keyEnd = equals;
    while (keyEnd > first && isSpace(text[keyEnd - 1]))
        --keyEnd;
    std::size_t valueBegin = equals + 1;
    while (valueBegin < text.size() && isSpace(text[valueBegin]))
        ++valueBegin;
    std::size_t valueEnd = text.size();
    while (valueEnd > valueBegin && isSpace(text[valueEnd - 1]))
        --valueEnd;
    line.kind = Kind::Entry;
    line.name = text.substr(first, keyEnd - first);
    if (valueBegin == valueEnd) {
        // An empty value is filled in after whatever follows the "=".
        line.valueBegin = line.valueEnd = textEnd;
    } else {
        line.valueBegin = at[valueBegin];
        line.valueEnd = at[valueEnd - 1] + 1;
    }
    return line;
}

std::size_t IniText::find(std::string_view section, std::string_view key) const {
    // Entries above the first section belong to the nameless one; those under a broken header to none.
    std::optional<std::string_view> current = std::string_view();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Section)
            current = line.name;
        else if (line.kind == Kind::BrokenSection)
            current.reset();
        else if (line.kind == Kind::Entry && current && sameName(*current, section) &&
                 sameName(line.name, key))
            return i;
    }
    return lines_.size();
}

std::optional<std::string> IniText::value(std::string_view section, std::string_view key) const {
    const std::size_t index = find(section, key);
    if (index == lines_.size())
        return std::nullopt;
    const Line& line = lines_[index];
    std::string text = content_.substr(line.valueBegin, line.valueEnd - line.valueBegin);
    std::erase(text, '\0');
    return text;
}

std::string IniText::unquoted(std::string value) {
    // The Windows reader takes one pair of matching quotes off a value.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::optional<std::string> IniText::text(std::string_view section, std::string_view key) const {
    std::optional<std::string> found = value(section, key);
    if (!found)
        return std::nullopt;
    return unquoted(std::move(*found));
}

std::optional<int> IniText::integer(std::string_view section, std::string_view key) const {
    const std::optional<std::string> found = text(section, key);
    if (!found)
        return std::nullopt;
    const char* first = found->data();
    const char* last = found->data() + found->size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && *first == '-')
            return std::nullopt; // from_chars would take it: one sign is all a number has
    }
    int number = 0;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || first == last)
        return std::nullopt;
    return number;
}

std::string IniText::dominantLineEnd() const {
    std::size_t crlf = 0, lf = 0, cr = 0;
    for (std::size_t i = 0; i < content_.size(); ++i) {
        if (content_[i] == '\r') {
            if (i + 1 < content_.size() && content_[i + 1] == '\n') {
                ++crlf;
                ++i;
            } else {
                ++cr;
            }
        } else if (content_[i] == '\n') {
            ++lf;
        }
    }
    // A file without line ends is written as Windows writes INI files.
    if (crlf >= lf && crlf >= cr)
        return "\r\n";
    return lf >= cr ? "\n" : "\r";
}

void IniText::insertLine(std::size_t at, std::string text, std::string lineEnd) {
    // A lone CR in front of an LF would join it and swallow the blank line the LF ends.
    if (lineEnd == "\r" && at < content_.size() && content_[at] == '\n')
        lineEnd = "\r\n";
    content_.insert(at, text + lineEnd);
}

bool IniText::set(std::string_view section, std::string_view key, std::string_view value) {
    if (!holdsNoLineBreak(value) || key.empty() || !readableName(key, "=") || key.find_first_of("[;#") == 0 ||
        !readableName(section, "]"))
        return false;
    std::string stored(value);
    const bool trimmed = !value.empty() && (isSpace(value.front()) || isSpace(value.back()));
    if (trimmed || unquoted(stored) != stored)
        stored = '"' + stored + '"';

    const std::size_t found = find(section, key);
    if (found < lines_.size()) {
        const Line& line = lines_[found];
        content_.replace(line.valueBegin, line.valueEnd - line.valueBegin, stored);
        parse();
        return true;
    }

    const std::string lineEnd = dominantLineEnd();
    const std::string entry = std::string(key) + "=" + stored;
    // After the last entry of the first section of that name, or after its header.
    std::optional<std::size_t> after;
    bool inSection = section.empty();
    bool sectionSeen = section.empty();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == Kind::Section || line.kind == Kind::BrokenSection) {
            if (inSection)
                break;
            if (line.kind == Kind::Section && sameName(line.name, section)) {
                inSection = sectionSeen = true;
                after = i;
            }
        } else if (inSection && (line.kind == Kind::Entry || line.kind == Kind::Skipped)) {
            after = i;
        }
    }

    if (after) {
        const Line& line = lines_[*after];
        if (line.end == line.textEnd) // the last line, without a line end: the new line becomes the last
            content_.insert(line.end, lineEnd + entry);
        else
            insertLine(line.end, entry, lineEnd);
    } else if (sectionSeen) {
        // A nameless section with no entries yet: at the top, after a byte order mark.
        insertLine(content_.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0, entry, lineEnd);
    } else {
        const std::string block = "[" + std::string(section) + "]" + lineEnd + entry;
        if (content_.empty() || isLineEnd(content_.back()))
            content_ += block + lineEnd;
        else
            content_ += lineEnd + block; // a file without a final line end stays so
    }
    parse();
    return true;
}
