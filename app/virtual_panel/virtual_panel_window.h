// "Virtual panel": a second top-level window beside the console that shows
// what the emulated controller behind a virtual bridge received: the
// picture, link and display state, counters, the drive settings back in
// volts with the gray-level tables, the scan timing; and the list of
// emulated bridges, with plugging and unplugging.
//
// Which bridge it shows: the one selected in the list. Until the user picks
// one, the selection follows the bridge written to last (the first bridge
// before any write); once picked it stays until that bridge is unplugged.
#ifndef VISTREL_APP_VIRTUAL_PANEL_VIRTUAL_PANEL_WINDOW_H
#define VISTREL_APP_VIRTUAL_PANEL_VIRTUAL_PANEL_WINDOW_H

#include "panel_feed.h"
#include "virtual_bridge.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <string>

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace vistrel::virt {

class GrayTablePlot;
class PanelPictureView;

class VirtualPanelWindow : public QWidget
{
    Q_OBJECT

public:
    explicit VirtualPanelWindow(QWidget *parent = nullptr);
    ~VirtualPanelWindow() override;

    // The bridge whose panel is shown; nothing while no bridge is plugged.
    std::optional<std::string> viewedSerial() const { return m_viewed; }
    // True once the user picked a bridge in the list.
    bool followsWrites() const { return !m_pinned; }

public slots:
    // Takes in what the bridges reported since the last call and updates the
    // widgets that changed, counters included. The feed's wake-ups do the
    // same at most once per screen frame, with the counters and the frame
    // rate at most four times a second.
    void refresh();
    void plugNewBridge();
    void unplugSelectedBridge();

private:
    void onFeedChanged();
    // fullRead: re-read the list and the panel even if nothing was noted;
    // readoutsNow: show the counters and the frame rate even if shown lately.
    void collect(bool fullRead, bool readoutsNow);
    void buildUi();
    QWidget *buildPictureSection();
    QWidget *buildLinkSection();
    QWidget *buildBridgeSection();
    QWidget *buildDriveSection();
    void fitDriveTable();
    void fixCounterSizes();

    std::string serialAt(int row) const;
    int rowOf(const std::string &serial) const;  // -1 when not listed
    void syncBridgeList();
    void followWrites(const PanelFeed::Changes &changes);
    void view(const std::optional<std::string> &serial);
    void selectViewedRow();
    void onCurrentRowChanged(int row);
    void readPanel();
    void showPanel(const PanelState &panel);
    void showPicture(const PanelState &panel);
    void showDrive(const std::optional<protocol::DriveSettings> &drive);
    void showFrameRate();
    void showNothing();
    void updateButtons();

    PanelFeed m_feed;
    qint64 m_frameNs = 16666667;  // one frame of the screen
    QTimer m_frameTimer;       // single shot: the rest of a frame after a refresh
    QTimer m_rereadTimer;      // slow, see the constructor
    std::optional<PanelFeed::Clock::time_point> m_shownArrival;  // of the wake shown last
    QElapsedTimer m_sinceFullRead;
    QElapsedTimer m_sinceReadouts;
    bool m_readoutsDue = true;
    std::optional<std::string> m_viewed;
    bool m_pinned = false;
    bool m_selecting = false;  // the window itself moves the list's selection
    bool m_viewChanged = true;
    std::uint64_t m_shownFrames = 0;
    bool m_shownAnyFrame = false;
    std::optional<protocol::DriveSettings> m_shownDrive;

    PanelPictureView *m_picture = nullptr;
    QLabel *m_viewedLabel = nullptr;
    QLabel *m_mode = nullptr;
    QLabel *m_linkState = nullptr;
    QLabel *m_showing = nullptr;
    QLabel *m_frames = nullptr;
    QLabel *m_fps = nullptr;
    QLabel *m_bytes = nullptr;
    QLabel *m_errors = nullptr;
    QTableWidget *m_driveTable = nullptr;
    GrayTablePlot *m_plot = nullptr;
    QLabel *m_scan = nullptr;
    QListWidget *m_bridges = nullptr;
    QPushButton *m_plug = nullptr;
    QPushButton *m_unplug = nullptr;
};

} // namespace vistrel::virt

#endif
