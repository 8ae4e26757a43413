// Our INI reader against the platform's profile reader: every key of every
// case read both ways must give the same text.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/test_support_win.h"
#include "base/ini_reader.h"

namespace talkpost {
namespace {

struct Lookup {
    const char* section;
    const char* key;
};

TEST(ProfileReader, OursReadsWhatThePlatformReads)
{
    const std::string longValue(3000, 'v');
    const std::string texts[] = {
        "[update]\r\ndescr =   spaced value   \r\ndate=24.12.2008\r\n",
        "[Update]\r\ndq=\"quoted  \"\r\nsq='single'\r\nmixed=\"open'\r\nonequote=\"\r\nemptyquotes=\"\"\r\n"
        "inner=a \"b\" c\r\nempty=\r\n",
        "; comment\r\n[update]\r\n;descr=commented\r\nnoequals\r\nDUP=first\r\ndup=second\r\n"
        "  indented = yes\t\r\ntabbed\t=\tx\t\r\neq=a=b\r\n",
        "[update]\nfirst=1\n[UPDATE]\nsecond=2\n[ spaced ]\nk=v\n[a]b]\nk=brackets\n[unclosed\nk2=v2\n",
        "[update]\rcr=only carriage returns\r[files]\rcount=2\r",
        "[update]\r\nlong=" + longValue + "\r\nq=\"" + std::string(2046, 'q') + "\"\r\nq2=\"" + std::string(2047, 'q') +
            "\"\r\nq3=\"" + std::string(2045, 'q') + "\"\r\n",
        "\xEF\xBB\xBF[update]\r\nbom=after mark\r\n",
        "orphan=before any section\r\n[update]\r\n=no name\r\nx = \r\n",
    };
    const Lookup lookups[] = {
        {"update", "descr"}, {"UPDATE", "Descr"}, {"update", "date"},    {"update", "dq"},
        {"update", "sq"},    {"update", "mixed"}, {"update", "onequote"}, {"update", "emptyquotes"},
        {"update", "inner"}, {"update", "empty"}, {"update", "noequals"}, {"update", "dup"},
        {"update", "indented"}, {"update", "tabbed"}, {"update", "eq"},  {"update", "first"},
        {"update", "second"}, {"spaced", "k"},    {" spaced ", "k"},      {"a]b", "k"},
        {"a]b", "k2"},       {"update", "cr"},    {"files", "count"},     {"update", "long"},
        {"update", "q"},     {"update", "q2"},    {"update", "q3"},       {"update", "bom"},
        {"update", "orphan"}, {"update", ""},     {"update", "x"},        {"missing", "descr"},
        {"update", "missing"},
    };
    test::TempFolder folder;
    int index = 0;
    for (const std::string& text : texts) {
        // A fresh name per case: the platform keeps the last file it read.
        std::string path = folder.file("case" + std::to_string(index++) + ".inf");
        test::writeFile(path, text);
        IniReader ours = IniReader::parse(test::readFile(path));
        for (const Lookup& l : lookups) {
            char buffer[2048] = {};
            GetPrivateProfileStringA(l.section, l.key, "default", buffer, sizeof buffer, path.c_str());
            EXPECT_EQ(ours.readString(l.section, l.key, "default"), buffer)
                << "case " << index - 1 << " [" << l.section << "] " << l.key;
        }
    }
}

}  // namespace
}  // namespace talkpost
