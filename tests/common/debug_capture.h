// Records the debug lines (qDebug) written while it exists; other message
// types go on to the handler that was installed before. Header only.
#ifndef VISTREL_TESTS_DEBUG_CAPTURE_H
#define VISTREL_TESTS_DEBUG_CAPTURE_H

#include <QString>
#include <QStringList>
#include <QtGlobal>

class DebugCapture
{
public:
    DebugCapture()
    {
        lines().clear();
        previous() = qInstallMessageHandler(&DebugCapture::handle);
    }
    ~DebugCapture() { qInstallMessageHandler(previous()); }
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    int count(const QString &line) const { return lines().count(line); }

private:
    static QStringList &lines()
    {
        static QStringList recorded;
        return recorded;
    }
    static QtMessageHandler &previous()
    {
        static QtMessageHandler handler = nullptr;
        return handler;
    }
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtDebugMsg)
            lines().append(message);
        else if (previous())
            previous()(type, context, message);
    }
};

#endif
