// The console's short notices: a modal message box without parent or title.
#ifndef VISTREL_DISPLAY_DISPLAY_NOTICE_H
#define VISTREL_DISPLAY_DISPLAY_NOTICE_H

#include <QMessageBox>
#include <QString>

namespace vistrel::display {

inline void showNotice(const QString &text)
{
    QMessageBox box;
    box.setText(text);
    box.exec();
}

} // namespace vistrel::display

#endif
