#include "output/keystroke_target.h"

namespace pv {

std::string UpperLatin1(std::string_view text) {
    std::string out(text);
    for (auto& ch : out) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) ch = char(c - 0x20);
    }
    return out;
}

TargetActivation ActivateTargetWindow(WindowSystem& windows, std::string_view title) {
    TargetActivation result;
    while (!title.empty() && title.front() == ' ')
        title.remove_prefix(1);
    while (!title.empty() && title.back() == ' ')
        title.remove_suffix(1);
    if (title.empty()) return result;
    const std::string wanted = UpperLatin1(title);

    const auto list = windows.TopLevelWindows();
    for (size_t i = 0; i < list.size(); ++i) {
        if (UpperLatin1(list[i].Title).find(wanted) == std::string::npos) continue;
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
