#include "virtual_panel_window.h"

#include "gray_table_plot.h"
#include "panel_picture_view.h"
#include "panel_readout.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vistrel::virt {

namespace {

// The console's look: gold header strips over thin gold frames, gold pill
// buttons with white text.
const char *const kWindowStyle = R"(
QLabel[role="header"] {
  background-color: #896827; color: white; font-size: 14px;
  border: 1px solid #896827; border-top-left-radius: 5px; border-top-right-radius: 5px;
  padding: 3px 3px 3px 15px; min-height: 20px; max-height: 20px;
}
QLabel[role="headerInfo"] { color: white; font-size: 12px; padding-right: 10px; }
QWidget[role="body"] {
  border: 1px solid #896827; border-top: none;
  border-bottom-left-radius: 5px; border-bottom-right-radius: 5px;
}
QLabel[role="caption"] { color: #555555; font-size: 12px; }
QLabel[role="value"] { color: #222222; font-size: 13px; font-weight: bold; }
QLabel[role="value"][lit="true"] { color: #2E7D32; }
QLabel[role="value"][lit="false"] { color: #8A8A8A; }
QPushButton {
  background-color: #CC8C6A26; border-width: 1px; border-radius: 12px; font: 13px;
  color: #FFFFFFFF; padding: 4px 14px;
}
QPushButton:pressed, QPushButton:hover { background-color: #8C6A26; border-color: #D3D3D3; }
QPushButton:disabled { background-color: #999999; }
QListWidget, QTableWidget { background-color: white; border: 1px solid #C9B88F; font-size: 12px; }
QListWidget::item:selected { background-color: #896827; color: white; }
QHeaderView::section {
  background-color: #F3EDE0; color: #5A4518; border: none; border-right: 1px solid #E0D5BC;
  border-bottom: 1px solid #E0D5BC; padding: 2px 4px; font-size: 12px;
}
QTableCornerButton::section { background-color: #F3EDE0; border: none; }
)";

const QString kNothing = QStringLiteral("\u2014");
constexpr int kFullReadMs = 250;  // the slow re-read
// Counters and the frame rate change with every frame; shown more often than
// this they could not be read anyway, and each new text costs a repaint.
constexpr int kReadoutMs = 250;
constexpr int kDriveRowVolts = 0;
constexpr int kDriveRowCode = 1;

QLabel *makeLabel(const QString &text, const char *role, const QString &name = {})
{
    auto *label = new QLabel(text);
    label->setProperty("role", role);
    if (!name.isEmpty())
        label->setObjectName(name);
    return label;
}

// A gold header strip over a framed body holding `content`.
QWidget *makeSection(const QString &name, const QString &title, QLayout *content, QLabel *info = nullptr)
{
    auto *section = new QWidget;
    section->setObjectName(name);
    auto *column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    QLabel *header = makeLabel(title, "header", name + QStringLiteral("Header"));
    if (info) {
        auto *strip = new QHBoxLayout(header);
        strip->setContentsMargins(0, 0, 0, 0);
        strip->addStretch(1);
        strip->addWidget(info);
    }
    column->addWidget(header);
    auto *body = new QWidget;
    body->setProperty("role", "body");
    body->setAttribute(Qt::WA_StyledBackground);
    content->setContentsMargins(10, 8, 10, 8);
    body->setLayout(content);
    column->addWidget(body, 1);
    return section;
}

// An on/off state in green or gray; the style sheet keys on the property.
void setStateText(QLabel *label, const QString &text, bool lit)
{
    label->setText(text);
    if (label->property("lit").toBool() == lit && label->property("lit").isValid())
        return;
    label->setProperty("lit", lit);
    label->style()->unpolish(label);
    label->style()->polish(label);
}

QString codeText(double code)
{
    const auto value = static_cast<unsigned>(std::clamp(std::lround(code), 0L, 65535L));
    return QStringLiteral("0x") + QString::number(value, 16).rightJustified(4, QLatin1Char('0')).toUpper();
}

qint64 screenFrameNs()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double rate = screen && screen->refreshRate() > 1.0 ? screen->refreshRate() : 60.0;
    return static_cast<qint64>(std::llround(1e9 / std::clamp(rate, 24.0, 240.0)));
}

QString serialText(const std::string &serial)
{
    return serial.empty() ? QObject::tr("(no serial)") : QString::fromStdString(serial);
}

} // namespace

VirtualPanelWindow::VirtualPanelWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("virtualPanel"));
    setWindowTitle(tr("Virtual panel"));
    setStyleSheet(QString::fromLatin1(kWindowStyle));
    buildUi();
    fitDriveTable();
    fixCounterSizes();
    m_frameNs = screenFrameNs();
    connect(m_feed.signaller(), &PanelFeedSignal::changed, this, &VirtualPanelWindow::onFeedChanged,
            Qt::QueuedConnection);
    m_frameTimer.setSingleShot(true);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_frameTimer, &QTimer::timeout, this, [this] { collect(false, false); });
    // Bytes that form no packet (they only count as bytes and protocol
    // errors) reach no testbed listener, so nothing wakes the window for
    // them: a slow re-read picks them up. It also lets the frame rate fall
    // back to 0.0 fps once a stream stops sending.
    connect(&m_rereadTimer, &QTimer::timeout, this, [this] { collect(true, true); });
    m_rereadTimer.start(kFullReadMs);
    m_sinceFullRead.start();
    syncBridgeList();
    readPanel();
}

VirtualPanelWindow::~VirtualPanelWindow() = default;

void VirtualPanelWindow::buildUi()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    layout->addWidget(buildPictureSection(), 3);
    auto *middle = new QHBoxLayout;
    middle->setSpacing(8);
    middle->addWidget(buildLinkSection(), 3);
    middle->addWidget(buildBridgeSection(), 2);
    layout->addLayout(middle);
    layout->addWidget(buildDriveSection(), 2);
}

// Exactly its two rows: the header's height is known only once the style
// sheet has been applied.
void VirtualPanelWindow::fitDriveTable()
{
    ensurePolished();
    m_driveTable->ensurePolished();
    m_driveTable->horizontalHeader()->ensurePolished();
    const int rows = m_driveTable->verticalHeader()->length();
    m_driveTable->setFixedHeight(m_driveTable->horizontalHeader()->sizeHint().height() + rows
                                 + 2 * m_driveTable->frameWidth());
}

// The counters change with every frame: at a size of their own, a new text
// repaints the label alone instead of laying out the window again.
void VirtualPanelWindow::fixCounterSizes()
{
    const QString widest = QStringLiteral("000,000,000,000");
    for (QLabel *label : {m_frames, m_bytes, m_errors, m_fps}) {
        label->ensurePolished();
        const QMargins margins = label->contentsMargins();
        label->setFixedSize(label->fontMetrics().horizontalAdvance(widest) + margins.left() + margins.right(),
                            label->sizeHint().height());
    }
}

QWidget *VirtualPanelWindow::buildPictureSection()
{
    m_picture = new PanelPictureView;
    m_picture->setObjectName(QStringLiteral("panelPicture"));
    m_viewedLabel = makeLabel(kNothing, "headerInfo", QStringLiteral("viewedBridgeLabel"));
    m_mode = makeLabel(kNothing, "value", QStringLiteral("modeLabel"));
    auto *modeRow = new QHBoxLayout;
    modeRow->addWidget(makeLabel(tr("Frame mode"), "caption"));
    modeRow->addWidget(m_mode, 1);
    auto *content = new QVBoxLayout;
    content->setSpacing(6);
    content->addWidget(m_picture, 1);
    content->addLayout(modeRow);
    return makeSection(QStringLiteral("pictureSection"), tr("Panel picture"), content, m_viewedLabel);
}

QWidget *VirtualPanelWindow::buildLinkSection()
{
    m_linkState = makeLabel(kNothing, "value", QStringLiteral("linkStateLabel"));
    m_showing = makeLabel(kNothing, "value", QStringLiteral("showingLabel"));
    m_frames = makeLabel(kNothing, "value", QStringLiteral("framesLabel"));
    m_fps = makeLabel(kNothing, "value", QStringLiteral("fpsLabel"));
    m_bytes = makeLabel(kNothing, "value", QStringLiteral("bytesLabel"));
    m_errors = makeLabel(kNothing, "value", QStringLiteral("errorsLabel"));
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    const std::pair<QString, QLabel *> cells[] = {
        {tr("Link"), m_linkState},   {tr("Display"), m_showing},
        {tr("Frames"), m_frames},    {tr("Frame rate"), m_fps},
        {tr("Bytes"), m_bytes},      {tr("Protocol errors"), m_errors},
    };
    for (int i = 0; i < 6; ++i) {
        const int row = i / 2;
        const int column = (i % 2) * 2;
        grid->addWidget(makeLabel(cells[i].first, "caption"), row, column);
        grid->addWidget(cells[i].second, row, column + 1);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return makeSection(QStringLiteral("linkSection"), tr("Received"), grid);
}

QWidget *VirtualPanelWindow::buildBridgeSection()
{
    m_bridges = new QListWidget;
    m_bridges->setObjectName(QStringLiteral("bridgeList"));
    m_bridges->setMinimumHeight(48);
    m_bridges->setMaximumHeight(64);
    connect(m_bridges, &QListWidget::currentRowChanged, this, &VirtualPanelWindow::onCurrentRowChanged);
    m_plug = new QPushButton(tr("Plug new"));
    m_plug->setObjectName(QStringLiteral("plugButton"));
    m_plug->setToolTip(tr("Plug in another emulated bridge"));
    connect(m_plug, &QPushButton::clicked, this, &VirtualPanelWindow::plugNewBridge);
    m_unplug = new QPushButton(tr("Unplug"));
    m_unplug->setObjectName(QStringLiteral("unplugButton"));
    m_unplug->setToolTip(tr("Unplug the selected bridge"));
    connect(m_unplug, &QPushButton::clicked, this, &VirtualPanelWindow::unplugSelectedBridge);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_plug);
    buttons->addWidget(m_unplug);
    auto *content = new QVBoxLayout;
    content->setSpacing(6);
    content->addWidget(m_bridges, 1);
    content->addLayout(buttons);
    return makeSection(QStringLiteral("bridgeSection"), tr("Bridges"), content);
}

QWidget *VirtualPanelWindow::buildDriveSection()
{
    m_driveTable = new QTableWidget(2, DriveColumnCount);
    m_driveTable->setObjectName(QStringLiteral("driveVoltsTable"));
    QStringList columns;
    for (int column = 0; column < DriveColumnCount; ++column)
        columns << QString::fromLatin1(driveColumnName(static_cast<DriveColumn>(column)));
    m_driveTable->setHorizontalHeaderLabels(columns);
    m_driveTable->setVerticalHeaderLabels({tr("Volts"), tr("Code")});
    m_driveTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_driveTable->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_driveTable->verticalHeader()->setDefaultSectionSize(20);
    m_driveTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_driveTable->setSelectionMode(QAbstractItemView::NoSelection);
    m_driveTable->setFocusPolicy(Qt::NoFocus);
    m_driveTable->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_driveTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_driveTable->setToolTip(tr("Vl and Vh are read back from gray table 0: Vh from entry 255, "
                                "Vl from entry 0 stretched by 256/255"));
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < DriveColumnCount; ++column) {
            auto *item = new QTableWidgetItem(kNothing);
            item->setTextAlignment(Qt::AlignCenter);
            m_driveTable->setItem(row, column, item);
        }
    }
    m_plot = new GrayTablePlot;
    m_plot->setObjectName(QStringLiteral("grayTablePlot"));
    m_scan = makeLabel(tr("none received"), "value", QStringLiteral("scanLabel"));
    auto *scanRow = new QHBoxLayout;
    scanRow->addWidget(makeLabel(tr("Scan timing"), "caption"));
    scanRow->addWidget(m_scan, 1);
    auto *content = new QVBoxLayout;
    content->setSpacing(6);
    content->addWidget(m_driveTable);
    content->addWidget(m_plot, 1);
    content->addLayout(scanRow);
    return makeSection(QStringLiteral("driveSection"), tr("Drive settings"), content);
}

// Something arrived: show it now if the arrival that was shown last is a
// screen frame older (an eighth less, for the writer's jitter), else when it
// will be. Until then the feed posts nothing more. Arrivals are compared on
// the writer's clock, not with when the window got to them: a stream as fast
// as the screen is then shown as it arrives, never pushed onto a timer by one
// late turn of the event loop.
void VirtualPanelWindow::onFeedChanged()
{
    if (m_frameTimer.isActive())
        return;
    const auto arrived = m_feed.wakeNoted();
    const auto frame = std::chrono::nanoseconds(m_frameNs);
    if (!m_shownArrival || arrived - *m_shownArrival >= frame - frame / 8) {
        m_shownArrival = arrived;
        collect(false, false);
        return;
    }
    // Faster than the screen: the next refresh one frame after the last.
    *m_shownArrival += frame;
    const auto rest = std::chrono::ceil<std::chrono::milliseconds>(*m_shownArrival - PanelFeed::Clock::now());
    m_frameTimer.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, rest.count())));
}

void VirtualPanelWindow::refresh()
{
    collect(false, true);
}

void VirtualPanelWindow::collect(bool fullRead, bool readoutsNow)
{
    m_frameTimer.stop();
    m_readoutsDue = readoutsNow || !m_sinceReadouts.isValid() || m_sinceReadouts.elapsed() >= kReadoutMs;
    const PanelFeed::Changes changes = m_feed.takeChanges();
    const bool periodic = fullRead || m_sinceFullRead.elapsed() >= kFullReadMs;
    if (changes.plugs || periodic)
        syncBridgeList();
    followWrites(changes);
    if (changes.packets || periodic || m_viewChanged)
        readPanel();
    showFrameRate();
    if (m_readoutsDue)
        m_sinceReadouts.start();
}

void VirtualPanelWindow::plugNewBridge()
{
    Testbed &testbed = Testbed::instance();
    testbed.plug(testbed.nextFreeSerial());
    refresh();
}

void VirtualPanelWindow::unplugSelectedBridge()
{
    const QListWidgetItem *item = m_bridges->currentItem();
    if (!item)
        return;
    Testbed::instance().unplug(serialAt(m_bridges->row(item)));
    refresh();
}

// The list mirrors the plugged bridges in plug order; the viewed bridge is
// kept when it is still there, else the view falls back to the first.
void VirtualPanelWindow::syncBridgeList()
{
    const std::vector<std::string> serials = Testbed::instance().pluggedSerials();
    bool same = static_cast<int>(serials.size()) == m_bridges->count();
    for (std::size_t i = 0; same && i < serials.size(); ++i)
        same = serialAt(static_cast<int>(i)) == serials[i];
    if (!same) {
        m_selecting = true;
        m_bridges->clear();
        for (const std::string &serial : serials) {
            auto *item = new QListWidgetItem(serialText(serial), m_bridges);
            item->setData(Qt::UserRole, QString::fromStdString(serial));
        }
        m_selecting = false;
    }
    const bool viewedPlugged = m_viewed && std::find(serials.begin(), serials.end(), *m_viewed) != serials.end();
    if (!viewedPlugged) {
        m_pinned = false;
        view(serials.empty() ? std::nullopt : std::optional<std::string>(serials.front()));
    }
    selectViewedRow();
    updateButtons();
}

void VirtualPanelWindow::followWrites(const PanelFeed::Changes &changes)
{
    if (m_pinned || !changes.anyWrite || m_viewed == changes.lastWritten || rowOf(changes.lastWritten) < 0)
        return;
    view(changes.lastWritten);
    selectViewedRow();
}

std::string VirtualPanelWindow::serialAt(int row) const
{
    return m_bridges->item(row)->data(Qt::UserRole).toString().toStdString();
}

int VirtualPanelWindow::rowOf(const std::string &serial) const
{
    for (int row = 0; row < m_bridges->count(); ++row) {
        if (serialAt(row) == serial)
            return row;
    }
    return -1;
}

void VirtualPanelWindow::view(const std::optional<std::string> &serial)
{
    if (serial == m_viewed)
        return;
    m_viewed = serial;
    m_viewChanged = true;
}

void VirtualPanelWindow::selectViewedRow()
{
    const int row = m_viewed ? rowOf(*m_viewed) : -1;
    if (m_bridges->currentRow() == row)
        return;
    m_selecting = true;
    m_bridges->setCurrentRow(row);
    m_selecting = false;
}

void VirtualPanelWindow::onCurrentRowChanged(int row)
{
    if (m_selecting || row < 0)
        return;
    m_pinned = true;
    view(serialAt(row));
    m_readoutsDue = true;
    readPanel();
    showFrameRate();
    updateButtons();
}

void VirtualPanelWindow::readPanel()
{
    m_sinceFullRead.restart();
    if (m_viewChanged)
        m_viewedLabel->setText(m_viewed ? serialText(*m_viewed) : tr("no bridge"));
    if (!m_viewed) {
        showNothing();
    } else {
        showPanel(Testbed::instance().panel(*m_viewed));
    }
    m_viewChanged = false;
}

void VirtualPanelWindow::showPanel(const PanelState &panel)
{
    setStateText(m_linkState, panel.linkOpen ? tr("Open") : tr("Closed"), panel.linkOpen);
    setStateText(m_showing, panel.showing ? tr("Showing") : tr("Stopped"), panel.showing);
    if (m_readoutsDue || m_viewChanged) {
        m_frames->setText(countText(panel.framesReceived));
        m_bytes->setText(countText(panel.bytesReceived));
        m_errors->setText(countText(panel.protocolErrors));
    }
    m_scan->setText(panel.lastScan ? scanTimingText(*panel.lastScan) : tr("none received"));
    showPicture(panel);
    showDrive(panel.lastDrive);
}

void VirtualPanelWindow::showPicture(const PanelState &panel)
{
    const bool unchanged = !m_viewChanged && m_shownAnyFrame == panel.lastFrame.has_value()
                           && m_shownFrames == panel.framesReceived;
    if (unchanged)
        return;
    m_shownFrames = panel.framesReceived;
    m_shownAnyFrame = panel.lastFrame.has_value();
    m_picture->setImage(panel.lastFrame ? panelImage(*panel.lastFrame) : QImage());
    m_mode->setText(panel.lastFrame ? frameModeText(panel.lastFrame->mode) : kNothing);
}

void VirtualPanelWindow::showDrive(const std::optional<protocol::DriveSettings> &drive)
{
    const bool same = m_shownDrive.has_value() == drive.has_value()
                      && (!drive || (m_shownDrive->codes == drive->codes && m_shownDrive->tables == drive->tables));
    if (same && !m_viewChanged)
        return;
    m_shownDrive = drive;
    m_plot->setTables(drive ? std::optional<GrayTablePlot::Tables>(drive->tables) : std::nullopt);
    const DriveVolts volts = drive ? driveVolts(*drive) : DriveVolts{};
    const std::size_t codeIndex[] = {protocol::DriveVss, protocol::DriveVdd, protocol::DriveVoff,
                                     protocol::DriveVon, protocol::DriveVbias};
    for (int column = 0; column < DriveColumnCount; ++column) {
        QString voltText = kNothing;
        QString code = kNothing;
        if (drive) {
            voltText = voltsText(volts[static_cast<std::size_t>(column)]);
            if (column < ColumnVl)
                code = codeText(drive->codes[codeIndex[column]]);
            else
                code = codeText(drive->tables[0][column == ColumnVl ? 0 : 255]);
        }
        m_driveTable->item(kDriveRowVolts, column)->setText(voltText);
        m_driveTable->item(kDriveRowCode, column)->setText(code);
    }
}

void VirtualPanelWindow::showFrameRate()
{
    if (!m_readoutsDue)
        return;
    const QString text = m_viewed
        ? QString::number(m_feed.frameRate(*m_viewed, FrameRateMeter::Clock::now()), 'f', 1) + QStringLiteral(" fps")
        : kNothing;
    if (m_fps->text() != text)
        m_fps->setText(text);
}

void VirtualPanelWindow::showNothing()
{
    for (QLabel *label : {m_linkState, m_showing})
        setStateText(label, kNothing, false);
    for (QLabel *label : {m_frames, m_bytes, m_errors, m_mode})
        label->setText(kNothing);
    m_scan->setText(tr("none received"));
    m_picture->setImage(QImage());
    m_shownAnyFrame = false;
    m_shownFrames = 0;
    showDrive(std::nullopt);
}

void VirtualPanelWindow::updateButtons()
{
    m_unplug->setEnabled(m_bridges->currentItem() != nullptr);
}

} // namespace vistrel::virt
