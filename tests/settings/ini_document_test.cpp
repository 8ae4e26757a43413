// The settings file in memory: what a save writes, in the profile functions' form.
#include <gtest/gtest.h>

#include "settings/ini_document.h"
#include "settings/ini_rules.h"

namespace talkpost::settings {
namespace {

TEST(IniDocument, ChangesComeOutInTheProfileFunctionsForm)
{
    struct Case {
        const char* what;
        std::string file;
        void (*change)(IniDocument&);
        std::string written;
    };
    const Case cases[] = {
        {"a new key in a new file", "", [](IniDocument& d) { d.setValue("Placement", "Left", "10"); },
         "[Placement]\r\nLeft=10\r\n"},
        {"a key is replaced in place, its name keeps its spelling",
         "[placement]\r\nLEFT=1\r\nTop=2\r\n", [](IniDocument& d) { d.setValue("Placement", "left", "10"); },
         "[placement]\r\nLEFT=10\r\nTop=2\r\n"},
        {"sections keep their order, one empty line between them",
         "[A]\nx=1\n\n\n[B]\ny=2\n", [](IniDocument& d) { d.setValue("C", "z", "3"); },
         "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\nz=3\r\n"},
        {"a list section is replaced whole",
         "[S.L]\r\nCount=3\r\nItem0=a\r\nItem1=b\r\nItem2=c\r\n[T]\r\nk=v\r\n",
         [](IniDocument& d) { d.replaceSection("S.L", buildListSection({"x"})); },
         "[S.L]\r\nCount=1\r\nItem0=x\r\n\r\n[T]\r\nk=v\r\n"},
        {"an erased section goes with its keys", "[S.L]\r\nCount=1\r\n[T]\r\nk=v\r\n",
         [](IniDocument& d) { d.eraseSection("s.l"); }, "[T]\r\nk=v\r\n"},
        {"comments and keys of others stay; the first of two equal keys wins",
         "; note\r\n[Talkpost]\r\nBannerServer=http://127.0.0.1:8080\r\nbannerserver=second\r\nstray\r\n",
         [](IniDocument& d) { d.setValue("Storage", "UserEdit_Text", "admin"); },
         "; note\r\n\r\n[Talkpost]\r\nBannerServer=http://127.0.0.1:8080\r\nstray\r\n\r\n[Storage]\r\n"
         "UserEdit_Text=admin\r\n"},
        {"a value keeps its blanks and quotes as given", "",
         [](IniDocument& d) { d.setValue("S", "k", "\"\"q\"\""); }, "[S]\r\nk=\"\"q\"\"\r\n"},
        // The lines as the reader takes them: the key a save replaces is the
        // one a load reads, else the saved value would never be seen.
        {"lone carriage returns end lines", "[Talkpost]\rUpdateServer=old\r",
         [](IniDocument& d) { d.setValue("Talkpost", "UpdateServer", "new"); }, "[Talkpost]\r\nUpdateServer=new\r\n"},
        {"a header's name runs to its last bracket", "[a]b]\r\nk=1\r\n",
         [](IniDocument& d) { d.setValue("a]b", "k", "2"); }, "[a]b]\r\nk=2\r\n"},
        {"a line without a closing bracket is no header", "[Storage]\r\n[unclosed\r\nk=1\r\n",
         [](IniDocument& d) { d.setValue("Storage", "k", "2"); }, "[Storage]\r\n[unclosed\r\nk=2\r\n"},
        {"a byte order mark stays and hides no header", "\xEF\xBB\xBF[Talkpost]\r\nUpdateServer=old\r\n",
         [](IniDocument& d) { d.setValue("Talkpost", "UpdateServer", "new"); },
         "\xEF\xBB\xBF[Talkpost]\r\nUpdateServer=new\r\n"},
        {"the mark's bytes lower down stay a key, not a header at the start",
         "\r\n\xEF\xBB\xBF[Talkpost]\r\n[Talkpost]\r\nUpdateServer=old\r\n",
         [](IniDocument& d) { d.setValue("Talkpost", "UpdateServer", "new"); },
         "\r\n\xEF\xBB\xBF[Talkpost]\r\n\r\n[Talkpost]\r\nUpdateServer=new\r\n"},
        {"a key's first line decides, even without \"=\"", "[Talkpost]\r\nUpdateServer\r\nupdateserver=unseen\r\n",
         [](IniDocument& d) { d.setValue("Talkpost", "UpdateServer", "new"); }, "[Talkpost]\r\nUpdateServer=new\r\n"},
        {"comments stay, alike ones too", "[S]\r\n; k=1\r\n; k=1\r\n",
         [](IniDocument& d) { d.setValue("S", "k", "2"); }, "[S]\r\n; k=1\r\n; k=1\r\nk=2\r\n"},
        {"blanks around names and values are the reader's", "[ Storage ]\r\n  UserEdit_Text =  old  \r\n",
         [](IniDocument& d) { d.setValue("Storage", "UserEdit_Text", "new"); }, "[Storage]\r\nUserEdit_Text=new\r\n"},
    };
    for (const auto& c : cases) {
        IniDocument document = IniDocument::parse(c.file);
        c.change(document);
        EXPECT_EQ(document.text(), c.written) << c.what;
    }
}

TEST(IniDocument, TwentyThousandItemsReadBackWhole)
{
    std::vector<std::string> items;
    for (int i = 0; i < 20000; ++i)
        items.push_back("computer" + std::to_string(i));
    IniDocument document = IniDocument::parse("[Placement]\r\nLeft=1\r\n");
    document.replaceSection("Storage.IPComboBox_Items", buildListSection(items));
    IniReader file = IniReader::parse(document.text());
    EXPECT_EQ(readList(SectionValues::read(file, "Storage.IPComboBox_Items")), items);
    EXPECT_EQ(file.readValue("Placement", "Left"), "1");
}

}  // namespace
}  // namespace talkpost::settings
