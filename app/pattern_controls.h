// The generated test patterns in the window's Function group: a name, up to
// three values shown with their ranges, Show and Off. Show lights the pattern
// (over a lit one it replaces it), Off takes the lit pattern down; both
// follow what the session shows.
#ifndef VISTREL_APP_PATTERN_CONTROLS_H
#define VISTREL_APP_PATTERN_CONTROLS_H

#include "panel_session.h"

#include <QObject>

#include <array>

class QComboBox;
class QPushButton;
class QSpinBox;

class PatternControls : public QObject
{
    Q_OBJECT

public:
    struct Widgets {
        QComboBox *names;
        std::array<QSpinBox *, 3> values;
        QPushButton *show;
        QPushButton *off;
    };
    PatternControls(const Widgets &widgets, vistrel::session::PanelSession &session, QObject *parent = nullptr);

    // The chosen name with the values shown.
    vistrel::protocol::PatternRequest request() const;

private:
    void fitValues();
    void follow();

    Widgets m_widgets;
    vistrel::session::PanelSession &m_session;
};

#endif
