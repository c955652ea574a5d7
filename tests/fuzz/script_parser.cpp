// Fuzz target: vistrelctl's script parser. Any text parses without crashing;
// every error and command carries a line of the text, in order; every
// command's values lie in the ranges the checker promises; and a command's
// own text, parsed alone, gives that command again.
#include "field_texts.h"
#include "fuzz_check.h"
#include "script.h"

#include <QString>

using vistrel::cli::Command;
using vistrel::cli::CommandKind;
using vistrel::cli::Script;
using vistrel::session::FieldRule;

namespace {

bool sameCommand(const Command &a, const Command &b)
{
    const auto &f = a.fields, &g = b.fields;
    return a.kind == b.kind && f.vdd == g.vdd && f.vss == g.vss && f.von == g.von && f.voff == g.voff && f.vh == g.vh
        && f.vl == g.vl && f.vbias == g.vbias && f.fps == g.fps && a.gamma == b.gamma && a.pattern == b.pattern
        && a.path == b.path && a.fps == b.fps && a.loop == b.loop && a.bound.frames == b.bound.frames
        && a.bound.passes == b.bound.passes && a.duration == b.duration;
}

void checkRanges(const Command &command)
{
    if (command.kind == CommandKind::Set) {
        const auto &f = command.fields;
        for (const QString *text : {&f.vdd, &f.vss, &f.vh, &f.vl, &f.vbias})
            FUZZ_CHECK(vistrel::session::isCompleteValue(FieldRule::TenVolts, *text));
        for (const QString *text : {&f.von, &f.voff})
            FUZZ_CHECK(vistrel::session::isCompleteValue(FieldRule::TwentyVolts, *text));
        FUZZ_CHECK(f.fps.isEmpty() && (!command.gamma || (command.gamma->toDouble() > 0 && command.gamma->toDouble() <= 10)));
    }
    if (command.kind == CommandKind::Show || command.kind == CommandKind::Play)
        FUZZ_CHECK(!command.path.isEmpty() || command.text.contains(QLatin1Char('"')));
    if (command.kind == CommandKind::Play) {
        FUZZ_CHECK(command.fps >= 1 && command.fps <= 60 && command.loop == (command.bound.passes > 0));
        FUZZ_CHECK(command.bound.frames == 0 || command.bound.passes == 0);
        FUZZ_CHECK(command.bound.frames <= 60ull * 86400 * 1000 && command.bound.passes <= 1000000);
    }
    if (command.pattern) {
        // Every value in its range, none missing: the request checks again as itself.
        const std::vector<long long> values(command.pattern->values.begin(), command.pattern->values.end());
        const vistrel::protocol::PatternCheck again = vistrel::protocol::checkPattern(command.pattern->name, values);
        FUZZ_CHECK(command.kind == CommandKind::Pattern && again.ok() && again.request == *command.pattern);
    }
    FUZZ_CHECK(command.duration.count() >= 0 && command.duration.count() <= 86400 * 1000);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const Script script = vistrel::cli::parseScript(text);
    const int lines = text.count(QLatin1Char('\n')) + 1;
    FUZZ_CHECK(!script.commands.empty() || !script.errors.empty());
    int previous = 1;
    for (const auto &error : script.errors) {
        FUZZ_CHECK(error.line >= previous && error.line <= lines && !error.message.isEmpty());
        previous = error.line;
    }
    previous = 1;
    for (const Command &command : script.commands) {
        FUZZ_CHECK(command.line >= previous && command.line <= lines);
        previous = command.line;
        checkRanges(command);
        const Script again = vistrel::cli::parseScript(command.text);
        FUZZ_CHECK(again.errors.empty() && again.commands.size() == 1 && sameCommand(again.commands.front(), command));
    }
    return 0;
}
