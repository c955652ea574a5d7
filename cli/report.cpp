#include "report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace vistrel::cli {

namespace {

QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

double roundedMs(double milliseconds)
{
    return std::round(milliseconds * 1000.0) / 1000.0;  // to the microsecond
}

QJsonValue errorValue(const QString &error)
{
    return error.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(error);
}

QString milliseconds(double ms)
{
    return ms < 1000 ? QStringLiteral("%1 ms").arg(ms, 0, 'f', 1) : QStringLiteral("%1 s").arg(ms / 1000, 0, 'f', 2);
}

} // namespace

QString oneLine(const QString &text)
{
    QString line;
    for (const QString &part : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!line.isEmpty())
            line += line.endsWith(QLatin1Char(':')) ? QLatin1String(" ") : QLatin1String("; ");
        line += part.trimmed();
    }
    return line;
}

QString jsonLine(const CommandReport &report)
{
    QJsonObject object{{QStringLiteral("line"), report.line},
                       {QStringLiteral("command"), report.command},
                       {QStringLiteral("ok"), report.ok},
                       {QStringLiteral("bytes"), double(report.bytes)},
                       {QStringLiteral("duration_ms"), roundedMs(report.milliseconds)},
                       {QStringLiteral("error"), errorValue(report.error)}};
    if (report.frames)
        object.insert(QStringLiteral("frames"), double(*report.frames));
    return compact(object);
}

QString jsonLine(const RunSummary &summary)
{
    QJsonObject object{{QStringLiteral("summary"), true},
                       {QStringLiteral("ok"), summary.exitStatus == 0},
                       {QStringLiteral("exit"), summary.exitStatus},
                       {QStringLiteral("commands"), summary.commands},
                       {QStringLiteral("run"), summary.run},
                       {QStringLiteral("bytes"), double(summary.bytes)},
                       {QStringLiteral("duration_ms"), roundedMs(summary.milliseconds)},
                       {QStringLiteral("error"), errorValue(summary.error)}};
    if (summary.failedLine > 0)
        object.insert(QStringLiteral("failed_line"), summary.failedLine);
    if (summary.rounds)
        object.insert(QStringLiteral("rounds"), *summary.rounds);
    if (!summary.scriptErrors.empty()) {
        QJsonArray errors;
        for (const ScriptError &error : summary.scriptErrors)
            errors.append(QJsonObject{{QStringLiteral("line"), error.line}, {QStringLiteral("message"), error.message}});
        object.insert(QStringLiteral("script_errors"), errors);
    }
    return compact(object);
}

QString bridgeJsonLine(const QString &serial)
{
    return compact(QJsonObject{{QStringLiteral("serial"), serial}});
}

QString humanLine(const CommandReport &report)
{
    const QString head = QStringLiteral("line %1: %2: ").arg(QString::number(report.line), report.command);
    if (!report.ok)
        return head + QStringLiteral("FAILED: ") + report.error;
    QString counts = QStringLiteral("%1 bytes").arg(report.bytes);
    if (report.frames)
        counts = QStringLiteral("%1 frames, ").arg(*report.frames) + counts;
    return head + QStringLiteral("ok, %1, %2").arg(counts, milliseconds(report.milliseconds));
}

QString humanLine(const RunSummary &summary)
{
    const QString rounds = summary.rounds ? QStringLiteral("%1 rounds, ").arg(*summary.rounds) : QString();
    if (summary.exitStatus == 0) {
        return QStringLiteral("ok: %1%2 commands, %3 bytes, %4")
            .arg(rounds)
            .arg(summary.run)
            .arg(summary.bytes)
            .arg(milliseconds(summary.milliseconds));
    }
    const QString where = summary.failedLine > 0 ? QStringLiteral(" at line %1").arg(summary.failedLine) : QString();
    const QString run = summary.rounds ? QStringLiteral("%1 commands run").arg(summary.run)
                                       : QStringLiteral("%1 of %2 commands run").arg(summary.run).arg(summary.commands);
    return QStringLiteral("failed%1 (exit %2): %3%4, %5 bytes")
        .arg(where)
        .arg(summary.exitStatus)
        .arg(rounds, run)
        .arg(summary.bytes);
}

Reporter::Reporter(QTextStream &out, QTextStream &err, bool json, const QString &scriptName)
    : m_out(out), m_err(err), m_json(json), m_scriptName(scriptName)
{
}

void Reporter::command(const CommandReport &report)
{
    print(m_out, m_json ? jsonLine(report) : humanLine(report));
    if (!report.ok)
        message(QStringLiteral("%1:%2: %3: %4").arg(m_scriptName, QString::number(report.line), report.command, report.error));
}

void Reporter::scriptErrors(const std::vector<ScriptError> &errors)
{
    for (const ScriptError &error : errors)
        print(m_err, QStringLiteral("%1:%2: %3").arg(m_scriptName, QString::number(error.line), error.message));
    message(QStringLiteral("nothing sent: %1 error(s) in the script").arg(errors.size()));
}

void Reporter::summary(const RunSummary &summary)
{
    if (m_json || summary.scriptErrors.empty())
        print(m_out, m_json ? jsonLine(summary) : humanLine(summary));
}

void Reporter::message(const QString &text)
{
    print(m_err, QStringLiteral("vistrelctl: ") + text);
}

void Reporter::print(QTextStream &stream, const QString &line)
{
    stream << line << '\n';
    stream.flush();
}

} // namespace vistrel::cli
