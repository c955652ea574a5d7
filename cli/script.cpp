#include "script.h"

#include "duration.h"
#include "script_lexer.h"

#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace vistrel::cli {

namespace {

using session::FieldRule;
using session::FieldTexts;

// What a statement became: a command, or why not.
struct Parsed {
    std::optional<Command> command;
    QString error;
};

Parsed failure(const QString &error)
{
    return {std::nullopt, error};
}

struct FieldKey {
    const char *key;
    FieldRule rule;
    QString FieldTexts::*text;
};

const FieldKey kFieldKeys[] = {
    {"vdd", FieldRule::TenVolts, &FieldTexts::vdd},    {"vss", FieldRule::TenVolts, &FieldTexts::vss},
    {"von", FieldRule::TwentyVolts, &FieldTexts::von}, {"voff", FieldRule::TwentyVolts, &FieldTexts::voff},
    {"vh", FieldRule::TenVolts, &FieldTexts::vh},      {"vl", FieldRule::TenVolts, &FieldTexts::vl},
    {"vbias", FieldRule::TenVolts, &FieldTexts::vbias},
};

constexpr double kMaxGamma = 10.0;
constexpr std::uint64_t kMaxFrames = 1000000000;
constexpr std::uint64_t kMaxLoops = 1000000;

using Arguments = QMap<QString, QString>;

// key=value words, each key at most once and one of `allowed`.
std::optional<QString> readArguments(const QStringList &words, const QStringList &allowed, Arguments &out)
{
    for (const QString &word : words) {
        const int equals = word.indexOf(QLatin1Char('='));
        if (equals <= 0)
            return QStringLiteral("expected key=value, got '%1'").arg(word);
        const QString key = word.left(equals);
        if (!allowed.contains(key))
            return QStringLiteral("unknown key '%1' (keys: %2)").arg(key, allowed.join(QLatin1String(", ")));
        if (out.contains(key))
            return QStringLiteral("%1 given twice").arg(key);
        out.insert(key, word.mid(equals + 1));
    }
    return std::nullopt;
}

std::optional<std::uint64_t> wholeNumber(const QString &text, std::uint64_t max)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
    if (!digits.match(text).hasMatch())
        return std::nullopt;
    const std::uint64_t value = text.toULongLong();
    if (value < 1 || value > max)
        return std::nullopt;
    return value;
}

QString rangeOf(FieldRule rule)
{
    return rule == FieldRule::TwentyVolts ? QStringLiteral("-20 to 20") : QStringLiteral("-10 to 10");
}

Parsed parseSet(Command command, const QStringList &words)
{
    QStringList keys;
    for (const FieldKey &field : kFieldKeys)
        keys << QLatin1String(field.key);
    Arguments args;
    if (auto error = readArguments(words, keys + QStringList{QStringLiteral("gamma")}, args))
        return failure(QStringLiteral("set: %1").arg(*error));
    QStringList missing;
    for (const FieldKey &field : kFieldKeys) {
        const QString key = QLatin1String(field.key);
        if (!args.contains(key)) {
            missing << key;
            continue;
        }
        const QString value = args.value(key);
        if (!session::isCompleteValue(field.rule, value))
            return failure(QStringLiteral("set: %1=%2 is not a voltage from %3").arg(key, value, rangeOf(field.rule)));
        command.fields.*field.text = value;
    }
    if (!missing.isEmpty())
        return failure(QStringLiteral("set: missing %1").arg(missing.join(QLatin1String(", "))));
    if (args.contains(QStringLiteral("gamma"))) {
        const QString value = args.value(QStringLiteral("gamma"));
        const std::optional<double> gamma = plainDecimal(value);
        if (!gamma || *gamma <= 0 || *gamma > kMaxGamma)
            return failure(QStringLiteral("set: gamma=%1 is not a number above 0 and at most 10").arg(value));
        command.gamma = value;
    }
    return {command, {}};
}

// A whole number as written; one too long for 64 bits is out of every range.
std::optional<long long> patternValue(const QString &word)
{
    static const QRegularExpression whole(QStringLiteral("^[-+]?[0-9]+$"));
    if (!whole.match(word).hasMatch())
        return std::nullopt;
    bool fits = false;
    const long long value = word.toLongLong(&fits);
    return fits ? value : std::numeric_limits<long long>::max();
}

Parsed parsePattern(Command command, const QStringList &words)
{
    if (words.isEmpty())
        return failure(QStringLiteral("pattern needs a name (or off)"));
    const QString name = words.first();
    if (name.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0)
        return words.size() == 1 ? Parsed{command, {}} : failure(QStringLiteral("pattern off takes no value"));
    std::vector<long long> values;
    for (const QString &word : words.mid(1)) {
        const std::optional<long long> value = patternValue(word);
        if (!value)
            return failure(QStringLiteral("pattern %1: '%2' is not a whole number").arg(name, word));
        values.push_back(*value);
    }
    const protocol::PatternCheck check = protocol::checkPattern(name.toStdString(), values);
    if (!check.ok())
        return failure(QString::fromStdString(check.message));
    command.pattern = check.request;
    return {command, {}};
}

Parsed parseShow(Command command, const QStringList &words)
{
    if (words.size() != 1)
        return failure(QStringLiteral("show needs one picture file"));
    command.path = words.first();
    return {command, {}};
}

// frames=N, seconds=S (as frames at the play's rate) or loops=N.
std::optional<QString> readBound(Command &command, const Arguments &args)
{
    const QStringList given = QStringList{QStringLiteral("frames"), QStringLiteral("seconds"), QStringLiteral("loops")};
    QStringList bounds;
    for (const QString &key : given) {
        if (args.contains(key))
            bounds << key;
    }
    if (bounds.size() > 1)
        return QStringLiteral("give at most one of frames=, seconds=, loops=");
    if (bounds.isEmpty())
        return std::nullopt;
    const QString key = bounds.first();
    const QString value = args.value(key);
    if (key == QLatin1String("seconds")) {
        const std::optional<double> seconds = parseSeconds(value);
        const long long frames = seconds ? std::llround(*seconds * command.fps) : 0;
        if (frames < 1)
            return QStringLiteral("seconds=%1 is not a time of at least one frame and at most a day").arg(value);
        command.bound.frames = std::uint64_t(frames);
        return std::nullopt;
    }
    const bool loops = key == QLatin1String("loops");
    const std::optional<std::uint64_t> count = wholeNumber(value, loops ? kMaxLoops : kMaxFrames);
    if (!count)
        return QStringLiteral("%1=%2 is not a whole number from 1 to %3").arg(key, value, QString::number(loops ? kMaxLoops : kMaxFrames));
    (loops ? command.bound.passes : command.bound.frames) = *count;
    command.loop = loops;
    return std::nullopt;
}

Parsed parsePlay(Command command, const QStringList &words)
{
    if (words.isEmpty() || words.first().contains(QLatin1Char('=')))
        return failure(QStringLiteral("play needs a video file first"));
    command.path = words.first();
    Arguments args;
    const QStringList keys{QStringLiteral("fps"), QStringLiteral("frames"), QStringLiteral("seconds"), QStringLiteral("loops")};
    if (auto error = readArguments(words.mid(1), keys, args))
        return failure(QStringLiteral("play: %1").arg(*error));
    if (args.contains(QStringLiteral("fps"))) {
        const QString value = args.value(QStringLiteral("fps"));
        if (!session::isCompleteValue(FieldRule::FrameRate, value))
            return failure(QStringLiteral("play: fps=%1 is not a whole number from 1 to 60").arg(value));
        command.fps = value.toInt();
    }
    if (auto error = readBound(command, args))
        return failure(QStringLiteral("play: %1").arg(*error));
    return {command, {}};
}

Parsed parseWait(Command command, const QStringList &words)
{
    const std::optional<std::chrono::milliseconds> duration =
        words.size() == 1 ? parseDuration(words.first()) : std::nullopt;
    if (!duration)
        return failure(QStringLiteral("wait needs one duration such as 500ms or 2s, at most a day"));
    command.duration = *duration;
    return {command, {}};
}

Parsed parseBare(Command command, const QStringList &words)
{
    if (!words.isEmpty())
        return failure(QStringLiteral("%1 takes no arguments").arg(commandName(command.kind)));
    return {command, {}};
}

const QMap<QString, CommandKind> &commandKinds()
{
    static const QMap<QString, CommandKind> kinds{
        {QStringLiteral("open"), CommandKind::Open},       {QStringLiteral("close"), CommandKind::Close},
        {QStringLiteral("set"), CommandKind::Set},         {QStringLiteral("pattern"), CommandKind::Pattern},
        {QStringLiteral("show"), CommandKind::Show},       {QStringLiteral("play"), CommandKind::Play},
        {QStringLiteral("stop"), CommandKind::Stop},       {QStringLiteral("wait"), CommandKind::Wait},
    };
    return kinds;
}

Parsed parseStatement(const Statement &statement)
{
    if (statement.unterminatedQuote)
        return failure(QStringLiteral("a quote is not closed on this line"));
    const QString name = statement.words.first();
    if (!commandKinds().contains(name))
        return failure(QStringLiteral("unknown command '%1' (commands: open, close, set, pattern, show, play, stop, wait)").arg(name));
    Command command;
    command.line = statement.line;
    command.text = statement.text;
    command.kind = commandKinds().value(name);
    const QStringList words = statement.words.mid(1);
    switch (command.kind) {
    case CommandKind::Set: return parseSet(command, words);
    case CommandKind::Pattern: return parsePattern(command, words);
    case CommandKind::Show: return parseShow(command, words);
    case CommandKind::Play: return parsePlay(command, words);
    case CommandKind::Wait: return parseWait(command, words);
    default: return parseBare(command, words);
    }
}

} // namespace

QString commandName(CommandKind kind)
{
    return commandKinds().key(kind);
}

Script parseScript(const QString &text)
{
    Script script;
    for (const Statement &statement : splitStatements(text)) {
        Parsed parsed = parseStatement(statement);
        if (parsed.command)
            script.commands.push_back(std::move(*parsed.command));
        else
            script.errors.push_back({statement.line, parsed.error});
    }
    if (script.commands.empty() && script.errors.empty())
        script.errors.push_back({1, QStringLiteral("the script has no commands")});
    return script;
}

void checkFiles(Script &script, const QDir &base)
{
    std::vector<ScriptError> missing;
    for (Command &command : script.commands) {
        if (command.kind != CommandKind::Show && command.kind != CommandKind::Play)
            continue;
        const QFileInfo file(base, command.path);
        if (file.isFile() && file.isReadable())
            command.path = file.absoluteFilePath();
        else
            missing.push_back({command.line, QStringLiteral("%1: no such file: %2").arg(commandName(command.kind), command.path)});
    }
    script.errors.insert(script.errors.end(), missing.begin(), missing.end());
    std::stable_sort(script.errors.begin(), script.errors.end(),
                     [](const ScriptError &a, const ScriptError &b) { return a.line < b.line; });
}

} // namespace vistrel::cli
