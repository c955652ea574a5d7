// What vistrelctl prints: per command one line on stdout (a JSON object with
// --json, else a short human line), a summary at the end, and messages on
// stderr.
#ifndef VISTREL_CLI_REPORT_H
#define VISTREL_CLI_REPORT_H

#include "script.h"

#include <QString>
#include <QTextStream>

#include <cstdint>
#include <optional>
#include <vector>

namespace vistrel::cli {

struct CommandReport {
    int line = 0;
    QString command;
    bool ok = true;
    std::uint64_t bytes = 0;              // accepted by the bridge
    std::optional<std::uint64_t> frames;  // play only
    double milliseconds = 0;
    QString error;                        // one line; empty when ok
};

struct RunSummary {
    int exitStatus = 0;
    int commands = 0;  // in the script
    int run = 0;       // reported, the failed one included, over every round
    std::optional<int> rounds;  // whole rounds done, when the script was repeated
    std::uint64_t bytes = 0;
    double milliseconds = 0;
    int failedLine = 0;  // 0: none, or the failure came after the script (closing the link)
    QString error;
    std::vector<ScriptError> scriptErrors;
};

QString jsonLine(const CommandReport &report);
QString jsonLine(const RunSummary &summary);
QString humanLine(const CommandReport &report);
QString humanLine(const RunSummary &summary);
// list --json: {"serial":"VPANEL01"}
QString bridgeJsonLine(const QString &serial);

// A notice's text on one line: its lines joined by "; " (by a blank after a
// line that ends in ':').
QString oneLine(const QString &text);

class Reporter
{
public:
    // scriptName prefixes line numbers in messages: "bench.vs:3: ...".
    Reporter(QTextStream &out, QTextStream &err, bool json, const QString &scriptName);

    void command(const CommandReport &report);
    void scriptErrors(const std::vector<ScriptError> &errors);
    void summary(const RunSummary &summary);
    void message(const QString &text);

private:
    void print(QTextStream &stream, const QString &line);

    QTextStream &m_out;
    QTextStream &m_err;
    bool m_json;
    QString m_scriptName;
};

} // namespace vistrel::cli

#endif
