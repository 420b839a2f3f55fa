#pragma once
// What a module hands over when something happened: the alert's words, how
// to recognise a repeat, what it can show in the notch and the inbox, and
// the flags that keep it private or apart from the copy-toast setting.

#include <optional>
#include <string>

#include "core/notch/AlertCardPlan.h"
#include "core/notch/AlertRecord.h"

namespace corvane {

// The little an ear needs to carry an alert: an icon and a short line.
struct EarPayload {
    std::string symbol;
    std::string text;
    bool operator==(const EarPayload&) const = default;
};

struct AlertPost {
    std::string kind;  // "ai.finished"
    std::string title;
    std::optional<std::string> body;
    std::optional<std::string> key;      // identity of a repeat; derived when absent
    std::optional<std::string> project;  // the repeat identity when no key is given
    std::optional<double> duration;      // seconds the module would like it shown
    std::optional<AlertRecord::Action> action;
    std::optional<AlertCardPlan> card;  // the card's content; built from the words when absent
    std::optional<EarPayload> ear;      // the ear's content; the title when absent
    bool isPlainCopy = false;
    bool isPrivate = false;
    bool ignoresCopyMode = false;
};

}  // namespace corvane
