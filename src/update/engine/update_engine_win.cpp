// The engine's status messages, control-file reads, the fetch of the control
// file with its signature and of the two documents into memory, and the check
// of the publication's serial and expiry.
#include "update/engine/update_engine_win.h"

#include <string_view>

#include "base/app_error.h"
#include "update/engine/installation.h"
#include "update/engine/macros.h"
#include "update/engine/macros_win.h"
#include "update/engine/signature_win.h"
#include "update/engine/status_log.h"
#include "update/engine/status_log_win.h"
#include "update/engine/transfer.h"
#include "update/engine/user_dates_win.h"
#include "update/install/install_files_win.h"

namespace talkpost::update {

UpdateEngine::~UpdateEngine() = default;

std::string UpdateEngine::tempParentFolder() const
{
    return settings.useWinTempDir ? windowsTempFolder() : settings.tempDirectory;
}

int UpdateEngine::openConnection()
{
    // A new update starts with a folder of its own.
    folder_.remove();
    return connection_.open();
}

int UpdateEngine::connectFtpHost() { return connection_.connectFtpHost(); }

int UpdateEngine::closeConnection()
{
    connection_.close();
    control_.reset();
    // The update's files go with it, unless components wait there for the
    // restart through the helper.
    if (!restartRequired())
        folder_.remove();
    return 0;
}

bool UpdateEngine::transferFile(const std::string& address, const std::string& folder, std::uint64_t maxBytes)
{
    bool done = connection_.transferFile(address, folder, maxBytes);
    cancelled_ = connection_.cancelled();
    return done;
}

std::optional<std::string> UpdateEngine::fetchSmall(const std::string& address)
{
    auto bytes = connection_.fetchSmall(address);
    cancelled_ = connection_.cancelled();
    return bytes;
}

void UpdateEngine::onWindowThread(const std::function<void()>& work)
{
    if (watcher_ != nullptr)
        watcher_->onWindowThread(work);
    else
        work();
}

bool UpdateEngine::cancelRequested() { return watcher_ != nullptr && watcher_->cancelRequested(); }

void UpdateEngine::fileProgress(const std::string& name, std::int64_t position, std::int64_t size)
{
    if (watcher_ == nullptr)
        return;
    // Read here, on the engine's own thread, between two blocks.
    std::string shown = currentFileShownName();
    if (shown.empty())
        shown = progressFileName(name);
    watcher_->fileProgress({shown, position, size, fileList_.totalSize(), fileList_.completedSize()});
}

std::string UpdateEngine::currentFileShownName() const
{
    auto index = static_cast<std::size_t>(fileList_.currentIndex);
    if (fileList_.currentIndex < 0 || index >= fileList_.count())
        return {};
    const FileDescription& entry = fileList_.at(index);
    if (!entry.description.empty())
        return entry.description;
    // The last part of its address; a file that replaces one in use comes
    // as "<name>_NEW" and is known by its name.
    std::string name = entry.url.substr(entry.url.find_last_of("/\\") + 1);
    constexpr std::string_view kNewSuffix = "_NEW";
    if (name.size() > kNewSuffix.size() && name.ends_with(kNewSuffix))
        name.resize(name.size() - kNewSuffix.size());
    return name;
}

CheckResultFacts UpdateEngine::checkResultFacts() const
{
    CheckResultFacts facts;
    facts.localDate = userShortDate(check_.localDate());
    facts.newDate = userShortDate(check_.newDate());
    facts.newTime = userTimeOfDay(check_.newDate());
    facts.localVersion = check_.localVersion();
    facts.newVersion = check_.newVersion();
    facts.description = check_.description();
    facts.rolledBackUpdate = rolledBackUpdateName();
    return facts;
}

std::vector<WizardFileEntry> UpdateEngine::files() const
{
    std::vector<WizardFileEntry> entries;
    for (std::size_t i = 0; i < fileList_.count(); ++i) {
        const FileDescription& file = fileList_.at(i);
        entries.push_back({file.description, file.hidden, file.mandatory});
    }
    return entries;
}

void UpdateEngine::keepSelected(const std::vector<bool>& selected)
{
    for (std::size_t i = 0; i < fileList_.count(); ++i)
        fileList_.at(i).selected = i >= selected.size() || selected[i];
    for (std::size_t i = fileList_.count(); i-- > 0;) {
        if (!fileList_.at(i).selected)
            fileList_.remove(i);
    }
}

bool UpdateEngine::askLogin(const std::string& prompt, std::string& user, std::string& password)
{
    bool confirmed = false;
    if (showLogin)
        onWindowThread([&] { confirmed = showLogin(prompt, user, password); });
    return confirmed;
}

std::string UpdateEngine::downloadFolder()
{
    if (!folder_.exists())
        folder_.create(tempParentFolder());
    return folder_.path();
}

void UpdateEngine::reportStatus(int number, const std::string& argument, int statusCode, int errorCode)
{
    std::string text = statusText(number, argument);
    if (settings.logging)
        appendLogLine(statusLogLine(logTimestampNow(), number, text, statusCode, errorCode));
}

void UpdateEngine::appendLogLine(const std::string& text) { update::appendLogLine(text); }

std::string UpdateEngine::expandMacros(const std::string& text) { return update::expandMacros(text, systemMacroValue); }

std::string UpdateEngine::fileNameFromURL(const std::string& address) { return update::fileNameFromURL(address); }

std::string UpdateEngine::readControlString(const std::string& section, const std::string& key,
                                            const std::string& fallback) const
{
    // Without a verified control file every key has its default.
    return controlFile().readString(section, key, fallback);
}

std::int32_t UpdateEngine::readFileList()
{
    const ControlFile& file = controlFile();
    if (file.text().readInteger("files", "count", 0) > 0)
        reportStatus(message::kFoundFileUpdate);
    return file.readFileList(fileList_);
}

namespace {

LocalMinute localMinuteNow()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute};
}

}  // namespace

bool UpdateEngine::publicationIsCurrent()
{
    Publication publication = controlFile().publication();
    std::uint64_t highest = readHighestSerial ? readHighestSerial() : 0;
    switch (freshness(publication, highest, localMinuteNow())) {
    case Freshness::Replayed:
        reportStatus(message::kOlderSerialRefused, publication.serialReadable ? std::to_string(publication.serial)
                                                     : readControlString("update", "serial"), kStatusFailed, kErrorNone);
        return false;
    case Freshness::Expired:
        reportStatus(message::kExpiredRefused, publication.expires, kStatusFailed, kErrorNone);
        return false;
    case Freshness::Fresh:
        break;
    }
    if (publication.serial > highest && saveHighestSerial)
        saveHighestSerial(publication.serial);
    return true;
}

int UpdateEngine::fetchControlFile()
{
    control_.reset();
    application_ = {};
    serial_ = 0;
    updateName_.clear();
    std::string address;
    if (auto remembered = remembered_.lastURL(); remembered && !remembered->empty())
        address = *remembered;
    else
        address = settings.url;
    address = expandMacros(address);

    std::optional<std::string> bytes = fetchSmall(address);
    if (!bytes) {
        reportStatus(message::kControlFileMissing, {}, kStatusFailed, kErrorNone);
        return kControlFileNotFound;
    }
    reportStatus(message::kControlFileFound);

    // Only bytes the publisher signed are ever acted on, and they are the
    // very bytes parsed below: nothing is read back from anywhere.
    std::optional<std::string> signatureText = fetchSmall(signatureAddress(address));
    auto signature = signatureText ? signatureFromText(*signatureText) : std::nullopt;
    if (!signature || !publicKey || !verifySignature(*bytes, *signature, *publicKey)) {
        reportStatus(message::kInvalidSignature, {}, kStatusSignature, kErrorSignature);
        return kSignatureMismatch;
    }
    control_.emplace(*bytes, [this](const std::string& text) { return expandMacros(text); });

    // A file signed once stays signed: an older or expired one replayed by a
    // server is no update.
    if (!publicationIsCurrent()) {
        control_.reset();
        return kControlFileNotFound;
    }

    serial_ = control_->publication().serial;
    updateName_ = control_->readString("update", "newversion");
    if (updateName_.empty())
        updateName_ = control_->readString("update", "date");
    if (updateName_.empty())
        updateName_ = "serial " + std::to_string(serial_);

    int result = kControlFileFetched;
    if (settings.signatureCheck && control_->readString("update", "signature") != settings.signature) {
        reportStatus(message::kInvalidSignature, {}, kStatusSignature, kErrorSignature);
        result = kSignatureMismatch;
    }
    application_ = control_->application();
    return result;
}

std::string UpdateEngine::rolledBackUpdateName() const
{
    if (!control_ || !readRolledBack || updateName_.empty())
        return {};
    auto rolledBack = readRolledBack();
    if (!rolledBack || rolledBack->serial != publicationSerial() || rolledBack->name != updateName())
        return {};
    return rolledBack->name;
}

std::optional<std::vector<std::string>> UpdateEngine::fetchDocument(const std::string& section, int number,
                                                                   int statusCode)
{
    std::string address = readControlString(section + settings.languageID, "file");
    if (address.empty())
        return std::nullopt;
    reportStatus(number, {}, statusCode, kErrorNone);
    std::optional<std::string> text = fetchSmall(address);
    if (!text)
        return std::nullopt;
    // While a key is built in, only a text the signed file vouches for is shown.
    if (publicKey) {
        std::string expected = publishedSha256(readControlString(section + settings.languageID, "sha256"));
        if (expected.empty() || sha256Hex(*text) != expected) {
            reportStatus(message::kTextSha256Differs, address, kStatusFailed, kErrorNone);
            return std::nullopt;
        }
    }
    return splitAnyBreakLines(*text);
}

std::optional<std::vector<std::string>> UpdateEngine::fetchWhatsNew() { return fetchDocument("whatsnew", message::kFoundWhatsNew, kStatusWhatsNew); }

std::optional<std::vector<std::string>> UpdateEngine::fetchLicense() { return fetchDocument("eula", message::kFoundLicense, kStatusLicense); }

}  // namespace talkpost::update
