// vistrelctl's scripts: commands separated by new lines or ';', '#' to the
// end of the line is a comment, double quotes keep blanks, ';' and '#' in a
// word. The whole script is parsed and checked before anything runs, so a
// mistake anywhere is reported with its line number and nothing is sent.
#ifndef VISTREL_CLI_SCRIPT_H
#define VISTREL_CLI_SCRIPT_H

#include "field_texts.h"
#include "session_types.h"

#include <QDir>
#include <QString>

#include <chrono>
#include <optional>
#include <vector>

namespace vistrel::cli {

enum class CommandKind { Open, Close, Set, Pattern, Show, Play, Stop, Wait };

struct Command {
    int line = 0;
    QString text;  // as written, without the comment
    CommandKind kind = CommandKind::Open;

    // set: the seven voltage texts (fps is left to the runner) and the gamma
    // text, which switches the gamma curve on.
    session::FieldTexts fields;
    std::optional<QString> gamma;

    // pattern: the checked pattern, nothing for off.
    std::optional<protocol::PatternRequest> pattern;

    // show, play: the file as written until checkFiles makes it absolute.
    QString path;
    // play: frames per second, whether it loops, and where it ends.
    int fps = 60;
    bool loop = false;
    session::PlaybackBound bound;

    std::chrono::milliseconds duration{0};  // wait
};

struct ScriptError {
    int line = 0;
    QString message;
};

struct Script {
    std::vector<Command> commands;
    std::vector<ScriptError> errors;  // in line order
    bool ok() const { return errors.empty(); }
};

// Reads every command; errors are collected, not thrown, so all of them can
// be shown at once.
Script parseScript(const QString &text);

// Makes the paths of show and play absolute against `base` and reports the
// files that do not exist.
void checkFiles(Script &script, const QDir &base);

QString commandName(CommandKind kind);

} // namespace vistrel::cli

#endif
