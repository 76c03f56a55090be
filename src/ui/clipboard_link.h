#pragma once
// The desktop clipboard with the link format: a link to an item travels as
// "service|topic!item" under the MIME type application/x-portivox-link,
// beside the item's text as plain text.
#include <string>

#include "output/dde_interpreter.h"

namespace pv {

constexpr const char* kLinkMimeType = "application/x-portivox-link";

class QtDdeClipboard : public DdeClipboard {
  public:
    void SetLink(const std::string& link, const std::string& text) override;
    bool GetLink(std::string& link) override;
};

} // namespace pv
