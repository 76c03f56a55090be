#pragma once
// The program's own windows as Qt knows them: every top-level window,
// menu, dialog, message box and tray menu of this process.
#include "output/keystroke_sink.h"

namespace pv {

class QtOwnWindows : public OwnWindows {
  public:
    bool Owns(WindowId window) override;
    bool HoldKeyboard() override;
    void LetGoOfKeyboard() override;
};

} // namespace pv
