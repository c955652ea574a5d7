#include "message_box_recorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QPushButton>

MessageBoxRecorder::MessageBoxRecorder(QMessageBox::StandardButton answer)
    : m_answer(answer)
{
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxRecorder::poll);
    m_timer.start();
}

void MessageBoxRecorder::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        m_boxes.append(box->windowTitle() + '|' + box->text());
        QAbstractButton *button = box->button(m_answer) ? box->button(m_answer) : box->defaultButton();
        if (button || !box->buttons().isEmpty())
            return (button ? button : box->buttons().first())->click();
    }
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
}
