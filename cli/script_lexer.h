// Splits a script into statements: one per line or per ';', words separated
// by blanks, '#' starting a comment, double quotes around blanks, ';' or '#'
// that belong to a word.
#ifndef VISTREL_CLI_SCRIPT_LEXER_H
#define VISTREL_CLI_SCRIPT_LEXER_H

#include <QString>
#include <QStringList>

#include <vector>

namespace vistrel::cli {

struct Statement {
    int line = 0;        // counting from 1
    QString text;        // the source without its comment, trimmed
    QStringList words;   // quotes removed
    bool unterminatedQuote = false;
};

// Statements with at least one word (or a broken quote), in order.
std::vector<Statement> splitStatements(const QString &script);

} // namespace vistrel::cli

#endif
