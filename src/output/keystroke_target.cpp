#include "output/keystroke_target.h"

#include "text/byte_text.h"

namespace pv {

TargetActivation ActivateTargetWindow(WindowSystem& windows, std::string_view title) {
    TargetActivation result;
    title = Trim(title);
    if (title.empty()) return result;
    const std::string wanted = UpperCase(title);

    const auto list = windows.TopLevelWindows();
    for (size_t i = 0; i < list.size(); ++i) {
        if (UpperCase(list[i].Title).find(wanted) == std::string::npos) continue;
        const WindowId found = list[i].Id;
        result.Window = found;
        if (i == 0) return result; // already in front
        // A minimised window is restored first: some window managers refuse
        // to activate it otherwise.
        if (windows.IsMinimised(found)) {
            windows.Restore(found);
            result.RestoredFromMinimised = true;
        }
        windows.Activate(found);
        return result;
    }
    return result;
}

} // namespace pv
