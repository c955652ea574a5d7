#include "script_lexer.h"

namespace vistrel::cli {

namespace {

class Splitter
{
public:
    explicit Splitter(const QString &script) : m_script(script) {}

    std::vector<Statement> run()
    {
        for (int at = 0; at < m_script.size(); ++at)
            at = step(at);
        m_current.unterminatedQuote = m_quoted;
        endStatement(m_script.size());
        return std::move(m_statements);
    }

private:
    // Handles the character at `at`; returns the index of the last one used.
    int step(int at)
    {
        const QChar c = m_script.at(at);
        if (c == QLatin1Char('\n')) {
            m_current.unterminatedQuote = m_quoted;  // a quote never spans lines
            m_quoted = false;
            endStatement(at);
            ++m_line;
        } else if (m_quoted) {
            if (c == QLatin1Char('"'))
                m_quoted = false;
            else
                m_word += c;
        } else if (c == QLatin1Char('"')) {
            m_quoted = m_inWord = true;
        } else if (c == QLatin1Char(';')) {
            endStatement(at);
        } else if (c == QLatin1Char('#')) {
            endStatement(at);
            const int newline = m_script.indexOf(QLatin1Char('\n'), at);
            return (newline < 0 ? m_script.size() : newline) - 1;
        } else if (c.isSpace()) {
            endWord();
        } else {
            m_word += c;
            m_inWord = true;
        }
        return at;
    }

    void endWord()
    {
        if (m_inWord)
            m_current.words << m_word;
        m_word.clear();
        m_inWord = false;
    }

    // Closes the statement that ends before `end`; the next starts after it.
    void endStatement(int end)
    {
        endWord();
        if (!m_current.words.isEmpty() || m_current.unterminatedQuote) {
            m_current.line = m_line;
            m_current.text = m_script.mid(m_start, end - m_start).trimmed();
            m_statements.push_back(std::move(m_current));
        }
        m_current = Statement();
        m_start = end + 1;
    }

    const QString &m_script;
    std::vector<Statement> m_statements;
    Statement m_current;
    QString m_word;
    bool m_inWord = false;
    bool m_quoted = false;
    int m_line = 1;
    int m_start = 0;
};

} // namespace

std::vector<Statement> splitStatements(const QString &script)
{
    return Splitter(script).run();
}

} // namespace vistrel::cli
