// portivox keys: try a keystroke macro. With --dry-run it prints the key
// events the macro makes (US layout); otherwise it types the macro into the
// window that has the focus after a pause. --backend tells which keyboard
// would type in this session and why the others would not.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "app/commands.h"
#include "config/config.h"
#include "output/keystroke_backend.h"
#include "output/keystroke_keyboard.h"
#include "output/keystroke_sender.h"
#include "text/escape.h"

#ifdef PV_HAVE_KEY_DESKTOP
#include "platform/keys/key_desktop.h"
#endif

namespace pv::app {
namespace {

int KeysUsage() {
    std::fprintf(stderr,
                 "usage: portivox keys --dry-run MACRO\n"
                 "       portivox keys [--after=MS] [--delay=MS] MACRO\n"
                 "       portivox keys --backend\n"
                 "  --dry-run    print the events: down CODE, up CODE, wait MS, then result N\n"
                 "  --after=MS   pause before typing into the focused window (default 2000)\n"
                 "  --delay=MS   pause after every key press and release (default 1; 0 in a\n"
                 "               dry run)\n"
                 "  --backend    list the keyboards of this session: which one types, why\n"
                 "               the others cannot (PORTIVOX_KEYBOARD=NAME picks one)\n"
                 "  MACRO may hold \\xHH escapes; UTF-8 text is typed as Latin-1.\n");
    return 2;
}

// The text as Latin-1 bytes: \xHH escapes resolved, UTF-8 decoded when the
// argument is valid UTF-8 of characters up to U+00FF.
std::string MacroBytes(const std::string& arg) {
    std::string bytes = UnescapeBytes(arg).value_or(arg);
    std::string latin1;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            latin1 += char(c);
            continue;
        }
        const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if ((c == 0xC2 || c == 0xC3) && (next & 0xC0) == 0x80) {
            latin1 += char(((c & 0x03) << 6) | (next & 0x3F));
            ++i;
            continue;
        }
        return bytes; // not UTF-8 of Latin-1 characters: the bytes as given
    }
    return latin1;
}

bool ParseMs(const std::string& arg, size_t prefix, int& out) {
    const std::string digits = arg.substr(prefix);
    if (digits.empty() || digits.size() > 7) return false;
    out = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

// Prints instead of typing.
class PrintingKeyboard : public Keyboard {
  public:
    int KeyForChar(unsigned char c) override { return UsLayoutKeyForChar(c); }
    void KeyEvent(int code, bool down) override {
        std::printf("%s %d\n", down ? "down" : "up", code);
    }
    KeyboardState GetState() override { return {}; }
    void SetState(const KeyboardState&) override {}
    void Wait(int ms) override { std::printf("wait %d\n", ms); }
    int MillisecondsIntoSecond() override { return 0; }
};

} // namespace

int KeysCommand(const Args& args) {
    bool dryRun = false;
    int after = 2000;
    int delay = -1;
    std::string macro;
    bool haveMacro = false;
    bool backend = false;
    for (const auto& a : args) {
        if (a == "--help" || a == "-h") return KeysUsage();
        if (a == "--backend") {
            backend = true;
        } else if (a == "--dry-run") {
            dryRun = true;
        } else if (a.rfind("--after=", 0) == 0) {
            if (!ParseMs(a, 8, after)) return KeysUsage();
        } else if (a.rfind("--delay=", 0) == 0) {
            if (!ParseMs(a, 8, delay)) return KeysUsage();
        } else if (a == "--") {
            continue;
        } else if (!haveMacro) {
            macro = MacroBytes(a);
            haveMacro = true;
        } else {
            return KeysUsage();
        }
    }
    if (backend) {
        if (haveMacro || dryRun) return KeysUsage();
#ifdef PV_HAVE_KEY_DESKTOP
        const keys::BackendSurvey survey = keys::SurveyBackends();
        std::fputs(BackendReport(survey.Found, survey.Probes, survey.Choice).c_str(), stdout);
        return survey.Choice.Found ? 0 : 1;
#else
        std::fprintf(stderr, "keys: this build has no keyboard backends\n");
        return 1;
#endif
    }
    if (!haveMacro) return KeysUsage();

    if (dryRun) {
        PrintingKeyboard keyboard;
        KeystrokeSender sender(keyboard);
        sender.SetInterCharDelay(delay < 0 ? 0 : delay);
        const int result = sender.SendKeystrokeText(macro);
        std::printf("result %d\n", result);
        return result == 0 ? 0 : 1;
    }

#ifdef PV_HAVE_KEY_DESKTOP
    std::string why;
    auto desktop = keys::KeyDesktop::Open(why);
    if (!desktop) {
        std::fprintf(stderr, "keys: %s\n", why.c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(after));
    KeystrokeSender sender(desktop->Keys());
    sender.SetInterCharDelay(delay < 0 ? 1 : delay);
    const int result = sender.SendKeystrokeText(macro);
    std::printf("result %d\n", result);
    return result == 0 ? 0 : 1;
#else
    (void)after;
    std::fprintf(stderr, "keys: this build has no keyboard backends; only --dry-run works\n");
    return 1;
#endif
}

} // namespace pv::app
