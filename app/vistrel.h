// The console's one main window: a view of the panel session. Its slots read
// the widgets, call the session and show the session's state; the window
// itself never writes to a bridge.
//   vistrel.cpp          construction, teardown, title bar, voltage help
//   vistrel_actions.cpp  the slots that act on the session
//   vistrel_view.cpp     the session's state and notices on screen
//   vistrel_keyboard.cpp shortcuts, tab order, accessible names
//   settings.cpp         the field texts in the settings store
#ifndef VISTREL_APP_VISTREL_H
#define VISTREL_APP_VISTREL_H

#include "field_texts.h"
#include "panel_session.h"
#include "ui_vistrel.h"

#include <QImage>
#include <QMainWindow>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class PreviewPane;
class QPushButton;

class Vistrel : public QMainWindow
{
    Q_OBJECT

public:
    explicit Vistrel(QWidget *parent = nullptr);
    ~Vistrel() override;

    void handleDeviceAdded(QString name);
    void loadSettings() const;
    void saveSettings() const;

    vistrel::session::PanelSession &session() { return *m_session; }

public slots:
    void on_FindVideo_click();
    void on_StartVideo_click();
    void on_Open_CLose_click();
    void handleMaxSizeButtonClick();
    void handle_VoltageD_button_click();
    void handleCloseButtonClick();
    void handleMiniSizeButtonClick();
    void on_FindJPG_click();
    void sendValue2Device();
    void changeGamma();
    void onFPSTextChanged(const QString &text);
    void onLoopCheckChanged(int state);
    void fullbrightness();
    void Chessboard();

private:
    void connectWidgets();
    void installValidators();
    void connectSession();
    void installKeyboard();   // vistrel_keyboard.cpp
    void describeControls();

    // --- the view (vistrel_view.cpp) ---
    void render();
    void setLocked(QPushButton *button, bool locked);
    void lockStartButton();
    void showNotice(const vistrel::session::Notice &notice);
    void showPreview(const QImage &preview);  // a picture's or a video frame's
    void removeDevice(int index);

    // --- what the fields say ---
    vistrel::session::FieldTexts fieldTexts() const;
    std::optional<QString> gammaText() const;

    // The standard open-file dialog (parent, caption, start folder, filter);
    // tests put a scripted chooser in its place.
    using OpenFileDialog = std::function<QString(QWidget *, const QString &, const QString &,
                                                 const QString &)>;
    static OpenFileDialog openFileDialog;
    QString chooseFile(const QString &caption, const QString &filter);

    friend struct VistrelInspector;  // read access for the tests

    Ui_Vistrel ui;
    vistrel::session::PanelSession *m_session = nullptr;
    PreviewPane *m_preview = nullptr;  // the preview and the playback status line
    // Start/Stop ignores presses for a second after each use.
    QTimer m_startLock;
    // Buttons disabled (and styled so) because of what the panel shows.
    QSet<QPushButton *> m_locked;
    QString disabledButtonStyle;
    QString enabledButtonStyle;
};

#endif
