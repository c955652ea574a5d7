// Set (the drive settings packet), the frame rate and the scan timing packet,
// and the main window's thin wrappers around the packet encoders.
#include "vistrel.h"

#include <QDebug>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

using namespace vistrel::protocol;

namespace {

constexpr int kMinFps = 1;
constexpr int kMaxFps = 60;

// A plain box without parent or title and the toolkit's single OK button.
void showPlainBox(const QString &text)
{
    QMessageBox box;
    box.setText(text);
    box.exec();
}

void showAttentionBox(const QString &text, bool okIsDefault)
{
    QMessageBox box(QMessageBox::NoIcon, QObject::tr("Attention"), text, QMessageBox::Ok);
    if (okIsDefault)
        box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

// The text as a whole number (sign and surrounding blanks allowed), saturated
// to the range of long long; nothing when it is empty, a lone sign, a
// fraction or not a number.
std::optional<long long> wholeNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    const int firstDigit = trimmed.startsWith(QLatin1Char('-')) || trimmed.startsWith(QLatin1Char('+')) ? 1 : 0;
    if (trimmed.size() <= firstDigit)
        return std::nullopt;
    for (int i = firstDigit; i < trimmed.size(); ++i) {
        const QChar c = trimmed.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const long long value = trimmed.toLongLong(&ok);
    if (ok)
        return value;
    return trimmed.startsWith(QLatin1Char('-')) ? std::numeric_limits<long long>::min()
                                                : std::numeric_limits<long long>::max();
}

} // namespace

std::vector<double> Vistrel::VolFormula(const std::vector<double> &values) const
{
    return volFormula(values);
}

unsigned char *Vistrel::double2uchar(const std::vector<double> &values)
{
    std::optional<double> curve;
    if (ui.radioButton_gamma->isChecked()) {
        gamma = ui.lineEdit_gamma->text().toDouble();
        curve = gamma;
    }
    const Bytes packet = buildDriveSettingsPacket(values, curve);
    auto *image = new unsigned char[kDriveSettingsSize]();
    std::copy_n(packet.begin(), std::min(packet.size(), kDriveSettingsSize), image);
    return image;
}

unsigned char *Vistrel::int2str(int value, unsigned char *bytes) const
{
    return vistrel::protocol::int2str(value, bytes);
}

int Vistrel::sum_16(QString text) const
{
    return vistrel::protocol::sum_16(text.toStdU16String());
}

void Vistrel::sendValue2Device()
{
    if (!deviceOpen) {
        showPlainBox(tr("device not connected"));
        return;
    }
    if (ui.startButton->text() != QLatin1String("Start")) {
        showAttentionBox(tr("Operation prohibited during operation!"), true);
        return;
    }
    if (!settingFieldsFilled()) {
        showPlainBox(tr("input fields are empty"));
        loadSettings();
        return;
    }

    const std::unique_ptr<unsigned char[]> packet(double2uchar(readDriveValues()));
    FT_DWORD written = 0;
    ftStatus = FT_Write(ftHandle, packet.get(), kDriveSettingsSize, &written);
    if (ftStatus == FT_OK)
        qDebug() << " Send OK";
    saveSettings();
    showAttentionBox(tr("Settings success!"), false);
}

// The fields Set needs, in the order the user is told about them; the hidden
// Vbias field is allowed to be empty and is then sent as 0 V.
bool Vistrel::settingFieldsFilled() const
{
    const QLineEdit *const required[] = {
        ui.lineEdit_grvl, ui.lineEdit_grvh, ui.lineEdit_vss, ui.lineEdit_vdd,
        ui.lineEdit_voff, ui.lineEdit_fps, ui.lineEdit_von,
    };
    return std::none_of(std::begin(required), std::end(required),
                        [](const QLineEdit *field) { return field->text().isEmpty(); });
}

std::vector<double> Vistrel::readDriveValues() const
{
    std::vector<double> values(kDriveValueCount, 0.0);
    values[DriveVl0] = ui.lineEdit_grvl->text().toDouble();
    values[DriveVh0] = ui.lineEdit_grvh->text().toDouble();
    // All three gray tables come from the same two fields.
    values[DriveVl1] = values[DriveVl2] = values[DriveVl0];
    values[DriveVh1] = values[DriveVh2] = values[DriveVh0];
    values[DriveVss] = ui.lineEdit_vss->text().toDouble();
    values[DriveVdd] = ui.lineEdit_vdd->text().toDouble();
    values[DriveVoff] = ui.lineEdit_voff->text().toDouble();
    values[DriveVon] = ui.lineEdit_von->text().toDouble();
    values[DriveVoffCopy] = ui.lineEdit_voff->text().toDouble();
    values[DriveVonCopy] = ui.lineEdit_von->text().toDouble();
    values[DriveVbias] = ui.lineEdit_vbais->text().toDouble();
    return values;
}

// fps follows the field but never leaves 1..60: whole numbers outside the
// range are corrected to the nearer bound, in the field too. Text that is no
// whole number yet (empty, a lone minus, a fraction) is left to the user and
// fps keeps its last good value.
void Vistrel::onFPSTextChanged(const QString &text)
{
    const std::optional<long long> number = wholeNumber(text);
    if (!number)
        return;
    if (*number < kMinFps)
        applyFrameRate(kMinFps, QString::number(kMinFps));
    else if (*number > kMaxFps)
        applyFrameRate(kMaxFps, QString::number(kMaxFps));
    else
        applyFrameRate(static_cast<int>(*number), QString());
}

// correctedText: the text the field must show instead, null to leave it.
void Vistrel::applyFrameRate(int value, const QString &correctedText)
{
    if (!correctedText.isNull())
        ui.lineEdit_fps->setText(correctedText);  // runs this handler again, same value
    fps = value;
}

void Vistrel::sendScan2Device()
{
    if (!deviceOpen)
        return;  // no handle to write to
    Bytes packet = buildScanTimingPacket(scanLead, scanTail, fps);
    FT_DWORD written = 0;
    ftStatus = FT_Write(ftHandle, packet.data(), static_cast<FT_DWORD>(packet.size()), &written);
    if (ftStatus == FT_OK)
        qDebug() << " Send OK";
}

void Vistrel::sendDACSetting()
{
}
