// The settings file in memory for one save.
#include "settings/ini_document.h"

#include <algorithm>
#include <map>
#include <unordered_set>

#include "base/app_error.h"

namespace talkpost::settings {
namespace {

// The same blanks as the reader's: a key the reader takes for "UpdateServer"
// must be the key a save replaces, or the save would add a second one that
// the reader never sees.
bool isLineBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a'; }

std::string lowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool sameName(const std::string& a, const std::string& b) { return lowerAscii(a) == lowerAscii(b); }

}  // namespace

IniDocument IniDocument::parse(const std::string& text)
{
    IniDocument document;
    std::vector<Line>* lines = &document.leading_;
    // The keys seen so far in each section, lower-cased: a file of many
    // thousand keys is read in one pass.
    std::map<std::string, std::unordered_set<std::string>> seen;
    std::string current = "[";  // no section name can be this: the lines before the first header
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = trimWhere(text.substr(pos, end - pos), isLineBlank);
        pos = end + 1;
        if (line.empty())
            continue;
        if (line.front() == '[') {
            std::size_t close = line.find(']');
            std::string name = trimWhere(line.substr(1, close == std::string::npos ? std::string::npos : close - 1),
                                         isLineBlank);
            lines = &document.findOrAdd(name).lines;
            current = lowerAscii(name);
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            lines->push_back({{}, line});
            continue;
        }
        std::string key = trimWhere(line.substr(0, eq), isLineBlank);
        std::string value = line.substr(eq + 1);
        if (key.empty())
            lines->push_back({{}, line});
        else if (seen[current].insert(lowerAscii(key)).second)
            lines->push_back({key, value});
    }
    return document;
}

IniDocument::Section* IniDocument::find(const std::string& name)
{
    auto it = std::find_if(sections_.begin(), sections_.end(), [&](const Section& s) { return sameName(s.name, name); });
    return it == sections_.end() ? nullptr : &*it;
}

IniDocument::Section& IniDocument::findOrAdd(const std::string& name)
{
    if (Section* section = find(name))
        return *section;
    sections_.push_back({name, {}});
    return sections_.back();
}

void IniDocument::setValue(const std::string& section, const std::string& key, const std::string& value)
{
    std::vector<Line>& lines = findOrAdd(section).lines;
    auto same = std::find_if(lines.begin(), lines.end(), [&](const Line& l) { return sameName(l.key, key); });
    if (same != lines.end())
        same->text = value;
    else
        lines.push_back({key, value});
}

void IniDocument::replaceSection(const std::string& section, const std::string& block)
{
    std::vector<Line>& lines = findOrAdd(section).lines;
    lines.clear();
    for (std::size_t pos = 0; pos < block.size() && block[pos] != '\0';) {
        std::size_t end = block.find('\0', pos);
        if (end == std::string::npos)
            end = block.size();
        std::string line = block.substr(pos, end - pos);
        pos = end + 1;
        std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            lines.push_back({line.substr(0, eq), line.substr(eq + 1)});
    }
}

void IniDocument::eraseSection(const std::string& section)
{
    std::erase_if(sections_, [&](const Section& s) { return sameName(s.name, section); });
}

std::string IniDocument::text() const
{
    std::string out;
    auto writeLines = [&out](const std::vector<Line>& lines) {
        for (const Line& line : lines) {
            if (line.key.empty())
                out += line.text;
            else
                out += line.key + "=" + line.text;
            out += "\r\n";
        }
    };
    writeLines(leading_);
    for (const Section& section : sections_) {
        if (!out.empty())
            out += "\r\n";
        out += "[" + section.name + "]\r\n";
        writeLines(section.lines);
    }
    return out;
}

}  // namespace talkpost::settings
