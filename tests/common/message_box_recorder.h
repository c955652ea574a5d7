// Closes modal dialogs that a test provokes and records what they said.
// A timer polls QApplication::activeModalWidget(); a QMessageBox found there
// is recorded (title, text) and answered with the chosen button.
#ifndef VISTREL_TESTS_MESSAGE_BOX_RECORDER_H
#define VISTREL_TESTS_MESSAGE_BOX_RECORDER_H

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

struct RecordedBox {
    QString title;
    QString text;
};

class MessageBoxRecorder : public QObject
{
    Q_OBJECT
public:
    // answer: the button pressed on a question box; plain boxes get their
    // default (or only) button.
    explicit MessageBoxRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok,
                                QObject *parent = nullptr);
    ~MessageBoxRecorder() override;

    void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
    const QVector<RecordedBox> &boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }

    // Non-message-box modal dialogs (e.g. a help dialog) are closed too,
    // and their window titles recorded here.
    const QStringList &otherDialogs() const { return m_otherDialogs; }

private:
    void poll();

    QTimer m_timer;
    QMessageBox::StandardButton m_answer;
    QVector<RecordedBox> m_boxes;
    QStringList m_otherDialogs;
};

#endif
