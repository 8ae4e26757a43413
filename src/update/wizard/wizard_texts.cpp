// The composed texts of the update wizard's check page.
#include "update/wizard/wizard_texts.h"

namespace talkpost {

std::string checkResultText(int code, const CheckResultFacts& facts, const UpdateWizardLanguage& texts)
{
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
