// Fuzz target: any bytes as the settings file, read as the stores read it and
// written back as a save writes it.
#include <algorithm>
#include <string>

#include "fuzz/fuzz_check.h"
#include "settings/ini_document.h"
#include "settings/ini_rules.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talkpost::settings;
    const std::string text = talkpost::fuzz::textOf(data, size);

    const talkpost::IniReader file = talkpost::IniReader::parse(text);
    const SectionValues section = SectionValues::read(file, "Storage.IPComboBox_Items");
    // A damaged count cannot make the list longer than the bound or the items present.
    if (const auto items = readList(section)) {
        const std::size_t present = section.highestItemIndex().value_or(0) + 1;
        FUZZ_CHECK(items->size() <= std::max(kMaxEmptyListItems, present));
    }
    // The settings read at start hold the list exactly as the keys read one by one give it.
    FUZZ_CHECK(readSettings(file).storedValues.computers == readList(section));
    if (const auto value = section.value("Item0"))
        FUZZ_CHECK(value->size() <= kMaxValueLength);
    if (const auto value = file.readValue("Storage", "UserEdit_Text"))
        FUZZ_CHECK(value->size() <= kMaxValueLength);

    // A value a save sets reads back as it was set, and a second save of
    // the saved file writes what the first one wrote.
    IniDocument document = IniDocument::parse(text);
    const std::string server = text.substr(0, 64);
    document.setValue("Talkpost", "UpdateServer", encodeValue(server));
    const std::string saved = document.text();
    const talkpost::IniReader reread = talkpost::IniReader::parse(saved);
    FUZZ_CHECK(SectionValues::read(reread, "Talkpost").value("UpdateServer") == decodeValue(encodeValue(server)));
    FUZZ_CHECK(reread.readValue("Talkpost", "UpdateServer") == decodeValue(encodeValue(server)));
    const std::string again = IniDocument::parse(saved).text();
    FUZZ_CHECK(IniDocument::parse(again).text() == again);

    // A value without blanks or breaks at its ends comes back as it was stored.
    std::string value = text.substr(0, kMaxValueLength);
    std::replace_if(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    if (!value.empty() && !blank(value.front()) && !blank(value.back()))
        FUZZ_CHECK(decodeValue(encodeValue(value)) == value);
    return 0;
}
