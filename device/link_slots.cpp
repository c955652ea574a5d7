// Device discovery (the one-second poll that keeps devicecomboBox in step with
// the driver's list) and opening and closing the link to the chosen bridge.
#include "vistrel.h"

#include <QComboBox>
#include <QDebug>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using DeviceRecords = std::vector<FT_DEVICE_LIST_INFO_NODE>;

// Bridge configuration applied after every open.
constexpr FT_DWORD kPurgeBoth = FT_PURGE_RX | FT_PURGE_TX;
constexpr std::uint8_t kBitModeMask = 0;
constexpr FT_DWORD kTransferSize = 36000;  // the data part of one display frame
constexpr FT_DWORD kReadTimeoutMs = 500;
constexpr FT_DWORD kWriteTimeoutMs = 0;

// The serial number field is NUL-terminated, but a full 16-byte field from a
// misbehaving driver must not make us read past it.
QString serialOf(const FT_DEVICE_LIST_INFO_NODE &record)
{
    const std::size_t length = strnlen(record.SerialNumber, sizeof record.SerialNumber);
    return QString::fromUtf8(record.SerialNumber, static_cast<int>(length));
}

bool hasSerial(const FT_DEVICE_LIST_INFO_NODE &record)
{
    return record.SerialNumber[0] != '\0';
}

bool anyRecordHasSerial(const DeviceRecords &records, const QString &serial)
{
    return std::any_of(records.begin(), records.end(), [&serial](const FT_DEVICE_LIST_INFO_NODE &record) {
        return hasSerial(record) && serialOf(record) == serial;
    });
}

bool comboHasText(const QComboBox *combo, const QString &text)
{
    for (int i = 0; i < combo->count(); ++i) {
        if (combo->itemText(i) == text)
            return true;
    }
    return false;
}

// Appends the serial of every named record that has no entry yet.
void addNewDevices(QComboBox *combo, const DeviceRecords &records)
{
    for (const FT_DEVICE_LIST_INFO_NODE &record : records) {
        if (!hasSerial(record))
            continue;
        const QString serial = serialOf(record);
        if (!comboHasText(combo, serial))
            combo->addItem(serial);
    }
}

// Removes every entry that no named record carries. After a removal the same
// index is examined again, since the next entry moved into it.
void removeGoneDevices(QComboBox *combo, const DeviceRecords &records)
{
    int index = 0;
    while (index < combo->count()) {
        if (anyRecordHasSerial(records, combo->itemText(index))) {
            ++index;
            continue;
        }
        combo->removeItem(index);
        qDebug() << "Device remove";
    }
}

void showOpenFailure()
{
    QMessageBox box;
    box.setText(QObject::tr("open status not ok"));
    box.exec();
}

} // namespace

void Vistrel::handleDeviceAdded(QString name)
{
    qDebug() << "Adding item to ComboBox: " << name;
    ui.devicecomboBox->addItem(name);
    ui.devicecomboBox->repaint();
}

void Vistrel::checkDevices()
{
    FT_DWORD count = 0;
    const FT_STATUS createStatus = FT_CreateDeviceInfoList(&count);
    if (createStatus != FT_OK) {
        qDebug() << "Failed to create device info list. Error code: " << createStatus;
        return;
    }
    if (count == 0) {
        ui.devicecomboBox->clear();
        return;
    }

    DeviceRecords records(count);
    if (FT_GetDeviceInfoList(records.data(), &count) != FT_OK)
        return;
    // The list call reports the count it filled; never trust it beyond our array.
    records.resize(std::min<std::size_t>(count, records.size()));

    addNewDevices(ui.devicecomboBox, records);
    // Unsigned on purpose: as many devices as entries means nothing is removed.
    if (count < static_cast<FT_DWORD>(ui.devicecomboBox->count()))
        removeGoneDevices(ui.devicecomboBox, records);
}

void Vistrel::on_Open_CLose_click()
{
    if (deviceOpen)
        closeLink();
    else
        openLink();
}

void Vistrel::openLink()
{
    QByteArray serial = ui.devicecomboBox->currentText().toUtf8();
    ftStatus = FT_OpenEx(serial.data(), FT_OPEN_BY_SERIAL_NUMBER, &ftHandle);
    if (ftStatus != FT_OK) {
        showOpenFailure();
        return;
    }

    ui.openButton->setText(tr("CLOSE"));
    ftStatus = FT_ResetDevice(ftHandle);
    deviceOpen = true;  // whatever the reset said: the handle is ours now
    configureBridge();
    writeControlWord(vistrel::protocol::OpenCloseWord);
}

// Synchronous FIFO with RTS/CTS; the statuses are not looked at, a bridge
// that refuses a setting shows it in the statuses of the writes that follow.
void Vistrel::configureBridge()
{
    FT_Purge(ftHandle, kPurgeBoth);
    FT_SetBitMode(ftHandle, kBitModeMask, FT_BITMODE_SYNC_FIFO);
    FT_SetUSBParameters(ftHandle, kTransferSize, kTransferSize);
    FT_SetFlowControl(ftHandle, FT_FLOW_RTS_CTS, 0, 0);
    FT_SetTimeouts(ftHandle, kReadTimeoutMs, kWriteTimeoutMs);
}

// Always ends closed, also when the bridge is already gone and the write fails.
void Vistrel::closeLink()
{
    // A playing video writes through its copy of the handle: end it, and let
    // its stop word go out, before the link's own word and the close.
    stopPlayback();
    writeControlWord(vistrel::protocol::OpenCloseWord);
    ui.openButton->setText(tr("OPEN"));
    FT_Close(ftHandle);
    deviceOpen = false;
}
