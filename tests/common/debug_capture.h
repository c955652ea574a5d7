// Records the debug lines (qDebug) written while it exists; other message
// types go on to the handler that was installed before. Header only.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class DebugCapture
{
public:
    DebugCapture()
    {
        s_lines.clear();
        s_previous = qInstallMessageHandler(&DebugCapture::handle);
    }
    ~DebugCapture() { qInstallMessageHandler(s_previous); }
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    int count(const QString &line) const { return s_lines.count(line); }

private:
    static inline QStringList s_lines;
    static inline QtMessageHandler s_previous = nullptr;
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtDebugMsg)
            s_lines.append(message);
        else if (s_previous)
            s_previous(type, context, message);
    }
};
