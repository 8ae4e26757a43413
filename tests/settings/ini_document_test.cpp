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
    IniFileText file = IniFileText::parse(document.text());
    ASSERT_NE(file.section("Storage.IPComboBox_Items"), nullptr);
    EXPECT_EQ(readList(*file.section("Storage.IPComboBox_Items")), items);
    EXPECT_EQ(file.section("Placement")->value("Left"), "1");
}

}  // namespace
}  // namespace talkpost::settings
