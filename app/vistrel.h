// The console's one main window. It owns all state of the running system;
// its slots are implemented in the folder of their subsystem:
//   app/      constructor, destructor, title bar, settings store
//   device/   discovery and hot-plug, open and close
//   protocol/ Set, frame rate and scan timing, input filters and gamma
//   display/  test patterns, still picture, video playback
#ifndef VISTREL_APP_VISTREL_H
#define VISTREL_APP_VISTREL_H

#include "d2xx.h"
#include "packets.h"
#include "ui_vistrel.h"

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <opencv2/core.hpp>

#include <functional>
#include <initializer_list>
#include <vector>

class QPaintEvent;
class QPushButton;
class QTimer;
class VideoThread;

class Vistrel : public QMainWindow
{
    Q_OBJECT

public:
    explicit Vistrel(QWidget *parent = nullptr);
    ~Vistrel() override;

    void handleDeviceAdded(QString name);
    void loadSettings() const;
    void saveSettings() const;

    std::vector<double> VolFormula(const std::vector<double> &values) const;
    unsigned char *double2uchar(const std::vector<double> &values);
    unsigned char *int2str(int value, unsigned char *bytes) const;
    int sum_16(QString text) const;

    void hideGamma(bool hide);

public slots:
    void on_FindVideo_click();
    void on_StartVideo_click();
    void on_Open_CLose_click();
    void handleMaxSizeButtonClick();
    void handle_VoltageD_button_click();
    void handleCloseButtonClick();
    void handleMiniSizeButtonClick();
    void on_FindJPG_click();
    void handleFrame(QImage frame);
    void changeVideoState(bool playing);
    void sendValue2Device();
    void changeGamma();
    void onFPSTextChanged(const QString &text);
    void sendScan2Device();
    void onLoopCheckChanged(int state);
    void fullbrightness();
    void Chessboard();
    void sendDACSetting();
    void onlyNumbyslider(const QString &text);
    void onlyNum(const QString &text);
    void checkDevices();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Shared helpers of the writers (display/ and device/).
    void writeControlWord(const vistrel::protocol::ControlWord &word);
    void setButtonsEnabled(std::initializer_list<QPushButton *> buttons, bool enabled);

    // --- application shell (app/) ---
    void connectWidgets();
    void listDevicesAtStart(FT_DWORD deviceCount);

    // --- device link (device/) ---
    void openLink();
    void configureBridge();
    void closeLink();

    // --- protocol senders (protocol/) ---
    bool settingFieldsFilled() const;
    std::vector<double> readDriveValues() const;
    void applyFrameRate(int value, const QString &correctedText);

    // --- display content (display/) ---
    // Ends a running video the way Stop does (worker stopped and joined, stop
    // word written, buttons restored); does nothing when no video plays.
    // The link's close calls it first so no worker writes through a closed handle.
    void stopPlayback();

    // The standard open-file dialog (parent, caption, start folder, filter);
    // tests put a scripted chooser in its place.
    using OpenFileDialog = std::function<QString(QWidget *, const QString &, const QString &,
                                                 const QString &)>;
    static OpenFileDialog openFileDialog;

    QString chooseFile(const QString &caption, const QString &filter);
    void togglePattern(bool &active, QPushButton *button, const QString &onText,
                       const QString &offText, std::initializer_list<QPushButton *> others,
                       vistrel::protocol::Bytes (*buildFrame)());
    void writeFrame(vistrel::protocol::Bytes &frame, FT_DWORD *written);
    void showPicture();
    void hidePicture();
    void startPlayback(bool loop);
    void endPlayback();
    void lockStartButton();

    friend struct VistrelInspector;  // read access for the tests

    Ui_Vistrel ui;
    QString mediaPath;
    VideoThread *videoThread = nullptr;
    FT_HANDLE ftHandle = nullptr;
    FT_STATUS ftStatus = FT_OK;
    cv::Size previewSize{360, 200};
    int scanLead = 0;
    int scanTail = 0;
    int fps = 60;
    double gamma = 2.2;
    bool deviceOpen = false;
    bool allOnActive = false;
    bool checkerActive = false;
    cv::Mat stillImage;
    bool stillImageMode = false;
    FT_DWORD bytesWritten;
    QTimer *pollTimer = nullptr;
    QString disabledButtonStyle;
    QString enabledButtonStyle;
};

#endif
