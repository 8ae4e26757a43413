// The settings file in memory for one save.
#include "settings/ini_document.h"

#include <algorithm>
#include <map>
#include <unordered_set>

#include "base/ini_reader.h"

namespace talkpost::settings {
namespace {

bool sameName(const std::string& a, const std::string& b) { return foldedIniName(a) == foldedIniName(b); }

}  // namespace

IniDocument IniDocument::parse(const std::string& text)
{
    IniDocument document;
    document.byteOrderMark_ = text.starts_with(kUtf8ByteOrderMark);
    std::vector<Line>* lines = &document.leading_;
    // The keys seen so far in each section, lower-cased: a file of many
    // thousand keys is read in one pass.
    std::map<std::string, std::unordered_set<std::string>> seen;
    std::string current = "[";  // no section name can be this: the lines before the first header
    // The lines as the reader takes them: a key the reader takes for
    // "UpdateServer" must be the key a save replaces, or the save would add a
    // second one that the reader never sees.
    for (const IniLine& line : splitIniLines(text)) {
        if (line.header) {
            std::string name(line.name);
            lines = &document.findOrAdd(name).lines;
            current = foldedIniName(name);
            continue;
        }
        if (line.name.empty() || line.name.front() == ';')
            lines->push_back({{}, std::string(line.text)});
        else if (seen[current].insert(foldedIniName(std::string(line.name))).second)
            lines->push_back({std::string(line.name), std::string(line.value.value_or("")), line.value.has_value()});
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
        *same = {same->key, value};
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
            else if (!line.valued)
                out += line.key;
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
    if (byteOrderMark_)
        return std::string(kUtf8ByteOrderMark) + out;
    // A first line that begins with the mark's bytes (it stood lower in the
    // file, below lines a save drops) would read as the mark at the start:
    // an empty line keeps it where the reader took it.
    if (out.starts_with(kUtf8ByteOrderMark))
        return "\r\n" + out;
    return out;
}

}  // namespace talkpost::settings
