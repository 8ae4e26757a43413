// RememberedValues: the last control-file address and update date, kept as
// string values under RegRoot\Key\Section of the settings' LastURLEntry.
// LastURL is read and written only with Save; LastDate and LastTime are read
// whatever Save says and written only with Save. Without a key and a section
// (this program) nothing is read or written.
#pragma once

#include <optional>
#include <string>

#include "update/engine/engine_settings.h"

namespace talkpost::update {

class RememberedValues {
public:
    explicit RememberedValues(const LastURLEntry& entry) : entry_(entry) {}

    std::optional<std::string> lastURL() const;
    bool saveLastURL(const std::string& url);

    struct LastDate {
        std::string date, time;
    };
    std::optional<LastDate> lastDate() const;
    // The time is written only when it is non-empty.
    bool saveLastDate(const LastDate& value);

private:
    const LastURLEntry& entry_;
};

}  // namespace talkpost::update
