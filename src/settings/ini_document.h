// IniDocument: a whole settings file held in memory for one save. Values and
// sections are changed in memory and the file is written once, in the form
// the platform's profile functions give it: "[Section]" lines, "key=value"
// lines, CR LF line ends and one empty line before every section but the
// first. A file of many thousand keys is then written in one pass instead of
// being rewritten by every single key. As a sink, it takes the writes of a
// save of the settings. Portable.
#pragma once

#include <string>
#include <vector>

#include "settings/settings.h"

namespace talkpost::settings {

class IniDocument : public IniSink {
public:
    // Reads the lines as the INI reader takes them. A line without "=" is a
    // key without a value, as for the reader: setting the key gives it one.
    // Comments (";") and lines without a name are kept where they stand;
    // empty lines and later keys of a name already seen in the section are not.
    static IniDocument parse(const std::string& text);

    // Sets the key's value (the text as given), adding the key at the end of
    // its section and the section at the end of the file when missing. Names
    // are matched without regard to case; a found name keeps its spelling.
    void setValue(const std::string& section, const std::string& key, const std::string& value);
    // Replaces the section's lines by the block's "key=value" lines (each
    // ended by a NUL, the block closed by one more NUL).
    void replaceSection(const std::string& section, const std::string& block);
    void eraseSection(const std::string& section) override;

    void writeValue(const std::string& section, const std::string& key, const std::string& text) override
    {
        setValue(section, key, text);
    }
    void writeSection(const std::string& section, const std::string& block) override { replaceSection(section, block); }

    std::string text() const;

private:
    struct Line {
        std::string key;      // empty: a line kept as it is (text)
        std::string text;     // the value of a key
        bool valued = true;   // false: a key's line without "=", which reads as no value
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };
    Section* find(const std::string& name);
    Section& findOrAdd(const std::string& name);

    bool byteOrderMark_ = false;  // the text began with a UTF-8 byte order mark, and keeps it
    std::vector<Line> leading_;   // lines before the first header
    std::vector<Section> sections_;
};

}  // namespace talkpost::settings
