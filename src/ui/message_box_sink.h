#pragma once
// The desktop program's MessageSink: a modal message box over the active
// window, and the desktop's beep.
#include "text/messages.h"

class QWidget;

namespace pv::ui {

class MessageBoxSink : public MessageSink {
  public:
    /// Messages are shown over `parent`, or over the active window when null.
    explicit MessageBoxSink(QWidget* parent = nullptr) : parent_(parent) {}
    MsgResult Show(const std::string& text, const std::string& title, MsgIcon icon,
                   MsgButtons buttons) override;
    void Beep() override;

  private:
    QWidget* parent_;
};

/// The process's message sink (a MessageBoxSink once the GUI has started).
MessageSink& Messages();
void SetMessages(MessageSink* sink);

} // namespace pv::ui
