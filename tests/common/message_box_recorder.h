// Closes modal dialogs that a test provokes and records what they said.
// A timer polls QApplication::activeModalWidget(); a QMessageBox found there
// is recorded as "title|text" and answered with the chosen button; any other
// modal dialog (e.g. a help dialog) is rejected.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

class MessageBoxRecorder : public QObject
{
    Q_OBJECT
public:
    // answer: the button pressed on a question box; plain boxes get their
    // default (or only) button.
    explicit MessageBoxRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok);
    const QStringList &boxes() const { return m_boxes; }

private:
    void poll();

    QTimer m_timer;
    QMessageBox::StandardButton m_answer;
    QStringList m_boxes;
};
