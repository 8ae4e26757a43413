// The composed texts of the update wizard's check page.
#include "update/wizard/wizard_texts.h"

namespace talkpost {

std::string rolledBackText(const std::string& update)
{
    return "The update to " + update + " did not start on this computer and was rolled back.\r\r"
           "Press Get update to try it again.";
}

std::string checkResultText(int code, const CheckResultFacts& facts, const UpdateWizardLanguage& texts)
{
    // Every code that names a found update has a text of its own below.
    if (!facts.rolledBackUpdate.empty() && code != update::CheckCode::NoNewVersion &&
        !checkResultText(code, CheckResultFacts{}, texts).empty())
        return rolledBackText(facts.rolledBackUpdate);
    switch (code) {
    case update::CheckCode::DateNewer: {
        std::string newDate = facts.newDate;
        if (!facts.newTime.empty())
            newDate += " " + facts.newTime;
        return texts.newVersionFound + " :" + "\r" + texts.currentVersion + " : " + facts.localDate + "\r" +
               texts.newVersion + " : " + newDate + "\r\r" + facts.description;
    }
    case update::CheckCode::NoNewVersion:
        return texts.noNewVersionAvail;
    case update::CheckCode::VersionNewer:
        return texts.newVersionFound + " :" + "\r" + texts.currentVersion + " : " + facts.localVersion + "\r" +
               texts.newVersion + " : " + facts.newVersion + "\r\r" + facts.description;
    case update::CheckCode::Unconditional:
    case update::CheckCode::SizeDiffers:
    case update::CheckCode::ChecksumDiffers:
    case update::CheckCode::CustomAccepted:
        return texts.newVersionAvail;
    default:
        return {};
    }
}

std::string controlFileFailedText(const UpdateWizardLanguage& texts)
{
    return texts.cannotConnect + "\r" + texts.noUpdateOnServer;
}

}  // namespace talkpost
