// Our INI reader against the platform's profile reader: every key and every
// section of every case read both ways must give the same text. The cases are
// what control files and the settings file hold, damaged ones among them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support_win.h"
#include "base/ini_reader.h"

namespace talkpost {
namespace {

struct Lookup {
    const char* section;
    const char* key;
};

// Each case is written to a file of its own and read both ways. A fresh
// name per case: the platform keeps the last file it read.
class ProfileReader : public ::testing::Test {
protected:
    std::string write(const std::string& text)
    {
        std::string path = folder.file("case" + std::to_string(cases++) + ".ini");
        test::writeFile(path, text);
        return path;
    }

    test::TempFolder folder;
    int cases = 0;
};

const std::string longValue(3000, 'v');

const std::vector<std::string> texts = {
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
    // As a save of the settings file writes it, with what hand edits and
    // earlier versions leave in it.
    "[Placement]\r\nFormVersion=0\r\nFlags=0\r\nShowCmd=1\r\nPixelsPerInch=96\r\nMinMaxPos(1280x1024)=-1,-1,-1,-1\r\n"
    "NormPos=100,120,700,620\r\nVisible=0\r\n\r\n[Storage]\r\nUserEdit_Text=  admin  \r\nTimeEdit_Value=300\r\n"
    "\r\n[Storage.IPComboBox_Items]\r\nCount=4\r\nItem0=*\r\nItem1=\"\"quoted\"\"\r\nItem2=\"'single'\"\r\n"
    "Item3=\r\n\r\n[Storage.RichText_Lines]\r\nCount=2\r\nItem0=" + longValue + "\r\nItem1=  two  \r\n",
    "[Storage]\r\nUserEdit_Text=first\r\nuseredit_text=second\r\n; TimeEdit_Value=1\r\nstray text\r\n"
    "[storage]\r\nTimeEdit_Value=500\r\n[Storage.IPComboBox_Items]\r\n\r\n  Count = 1  \r\n\tItem0\t=\tRemote01\t\r\n"
    "[EditorPM]\r\n[Talkpost]\r\nUpdateServer='http://127.0.0.1:8766'\r\nBannerServer=\r\n",
};

TEST_F(ProfileReader, OursReadsEveryKeyAsThePlatformReadsIt)
{
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
        {"Placement", "FormVersion"}, {"placement", "MinMaxPos(1280x1024)"}, {"Placement", "NormPos"},
        {"Storage", "UserEdit_Text"}, {"Storage", "TimeEdit_Value"}, {"Storage", "; TimeEdit_Value"},
        {"Storage", "stray text"}, {"Storage.IPComboBox_Items", "Count"}, {"Storage.IPComboBox_Items", "Item0"},
        {"Storage.IPComboBox_Items", "Item1"}, {"Storage.IPComboBox_Items", "Item2"},
        {"Storage.IPComboBox_Items", "Item3"}, {"Storage.RichText_Lines", "Item0"},
        {"Storage.RichText_Lines", "Item1"}, {"Talkpost", "UpdateServer"}, {"Talkpost", "BannerServer"},
        {"EditorPM", "FormVersion"},
    };
    for (const std::string& text : texts) {
        std::string path = write(text);
        IniReader ours = IniReader::parse(test::readFile(path));
        for (const Lookup& l : lookups) {
            char buffer[2048] = {};
            GetPrivateProfileStringA(l.section, l.key, "default", buffer, sizeof buffer, path.c_str());
            EXPECT_EQ(ours.readString(l.section, l.key, "default"), buffer)
                << "case " << cases - 1 << " [" << l.section << "] " << l.key;
        }
    }
}

// The lines of a section as the platform hands them over: each ended by a
// NUL, the last one by two.
std::vector<std::string> platformSection(const std::string& path, const char* section)
{
    std::string buffer(64 * 1024, '\0');
    DWORD got = GetPrivateProfileSectionA(section, buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < got;) {
        std::size_t end = buffer.find('\0', pos);
        lines.push_back(buffer.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

TEST_F(ProfileReader, OursReadsEveryWholeSectionAsThePlatformReadsIt)
{
    const char* sections[] = {"update",  "UPDATE",      "files",     "spaced", "a]b", "missing", "Placement",
                              "Storage", "storage",     "Storage.IPComboBox_Items", "Storage.RichText_Lines",
                              "EditorPM", "Talkpost"};
    for (const std::string& text : texts) {
        std::string path = write(text);
        IniReader ours = IniReader::parse(test::readFile(path));
        for (const char* section : sections)
            EXPECT_EQ(ours.readSection(section), platformSection(path, section))
                << "case " << cases - 1 << " [" << section << "]";
    }
}

}  // namespace
}  // namespace talkpost
