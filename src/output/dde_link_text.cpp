#include "output/dde_link_text.h"

namespace pv {

LinkReference ParseLinkText(const std::string& text) {
    LinkReference r;
    size_t p = text.find('|');
    if (p == std::string::npos) {
        r.App = text;
        return r;
    }
    r.App = text.substr(0, p);
    // An "!" inside the application name cannot end the topic.
    size_t q = text.find('!', p + 1);
    if (q == std::string::npos) {
        r.Topic = text.substr(p + 1);
    } else {
        r.Topic = text.substr(p + 1, q - p - 1);
        r.Item = text.substr(q + 1);
    }
    return r;
}

std::string LinkText(const std::string& app, const std::string& topic, const std::string& item) {
    return app + "|" + topic + "!" + item;
}

std::string BufferLinkText(const std::string& received, bool stripCrLf) {
    if (stripCrLf && received.size() >= 2 && received.compare(received.size() - 2, 2, "\r\n") == 0)
        return received.substr(0, received.size() - 2);
    return received;
}

std::string FieldItemName(int n) {
    return "Field(" + std::to_string(n) + ")";
}

} // namespace pv
