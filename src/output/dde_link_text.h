#pragma once
// Link references ("application|topic!item") and the text handling of the
// two client links.
#include <string>

namespace pv {

/// The service name under which a running window serves its items.
constexpr const char* kDdeServiceName = "Portivox";

struct LinkReference {
    std::string App;
    std::string Topic;
    std::string Item;
    bool operator==(const LinkReference&) const = default;
};

/// Splits "app|topic!item" at the first "|" and the next "!". Without
/// a "!" the item is empty; without a "|" the whole text is the application.
LinkReference ParseLinkText(const std::string& text);

/// "app|topic!item".
std::string LinkText(const std::string& app, const std::string& topic, const std::string& item);

/// What an output buffer link queues for a received text: one trailing
/// CR LF dropped when `stripCrLf` and the text has at least two characters.
std::string BufferLinkText(const std::string& received, bool stripCrLf);

/// "Field(" n ")".
std::string FieldItemName(int n);

} // namespace pv
