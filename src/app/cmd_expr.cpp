// portivox eval / portivox format: try a field's math expression or format
// from the command line.
#include "app/commands.h"
#include "expr/datetime.h"
#include "expr/evaluator.h"
#include "expr/format.h"
#include "text/escape.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace pv::app {
namespace {

// --help asks for the text on stdout and success; a mistake gets it on stderr.
int EvalUsage(bool asked = false) {
    std::fputs("usage: portivox eval [--field N=TEXT ...] EXPRESSION\n"
               "  --field N=TEXT  field slot N (0..42) holds TEXT while EXPRESSION is evaluated\n"
               "  prints: ok|error KIND VALUE\n",
               asked ? stdout : stderr);
    return asked ? 0 : 2;
}

int FormatUsage(bool asked = false) {
    std::fputs("usage: portivox format VALUE PATTERN\n"
               "       portivox format --date \"YYYY-MM-DD hh:mm:ss\" PATTERN\n"
               "  --date DT  format the date/time DT instead of a number or text VALUE\n",
               asked ? stdout : stderr);
    return asked ? 0 : 2;
}

bool ParseSlot(const std::string& slotArg, FieldValues& fields) {
    size_t eq = slotArg.find('=');
    if (eq == 0 || eq == std::string::npos || eq > 2) return false;
    int n = 0;
    for (size_t i = 0; i < eq; ++i) {
        if (slotArg[i] < '0' || slotArg[i] > '9') return false;
        n = n * 10 + (slotArg[i] - '0');
    }
    if (n > 42) return false;
    fields[static_cast<size_t>(n)] = Value::MakeText(slotArg.substr(eq + 1));
    return true;
}

} // namespace

int EvalCommand(const Args& args) {
    FieldValues fields;
    fields.fill(Value::MakeText({})); // as in a running configuration
    std::string expression;
    bool haveExpression = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") return EvalUsage(true);
        if (a == "--field" || a.rfind("--field=", 0) == 0) {
            std::string slotArg =
                a == "--field" ? (i + 1 < args.size() ? args[++i] : "") : a.substr(8);
            if (!ParseSlot(slotArg, fields)) {
                std::fprintf(stderr, "eval: bad --field '%s' (want N=TEXT, N 0..42)\n",
                             slotArg.c_str());
                return 2;
            }
            continue;
        }
        // The rest is the expression; several words are joined by blanks.
        if (haveExpression) expression += ' ';
        expression += a;
        haveExpression = true;
    }
    if (!haveExpression) return EvalUsage();
    EvalContext context;
    EvalResult r = EvaluateExpression(expression, fields, context);
    std::printf("%s %s %s\n", r.Ok ? "ok" : "error", KindName(r.Result.Kind),
                EscapeBytes(GeneralNumberText(r.Result)).c_str());
    return 0;
}

int FormatCommand(const Args& args) {
    if (args.size() == 3 && args[0] == "--date") {
        auto dt = ParseDateTime(args[1]);
        if (!dt) {
            std::fprintf(stderr, "format: '%s' is no date (want YYYY-MM-DD hh:mm:ss)\n",
                         args[1].c_str());
            return 2;
        }
        std::printf("%s\n", EscapeBytes(FormatDateTime(*dt, args[2])).c_str());
        return 0;
    }
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) return FormatUsage(true);
    if (args.size() != 2) return FormatUsage();
    std::printf("%s\n", EscapeBytes(FormatValue(Value::MakeText(args[0]), args[1])).c_str());
    return 0;
}

} // namespace pv::app
