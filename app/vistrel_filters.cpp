// Two filtering slots that act on whichever line edit sent the text (a
// sender that is not a line edit is ignored), and the encoding helpers the
// window keeps as thin wrappers of the packet code.
#include "vistrel.h"

#include "packets.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace {

constexpr int kMaxScanCount = 166;  // the scan packet's total count

// Marks validators made by onlyNum, so a repeated call can retire its own
// previous one without touching the window's shared field validators.
const char kOnlyNumValidatorName[] = "onlyNumValidator";

void replaceWithNumberValidator(QLineEdit *edit)
{
    const QValidator *previous = edit->validator();
    auto *validator = new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("-?[0-9]*(\\.[0-9]*)?")), edit);
    validator->setObjectName(QLatin1String(kOnlyNumValidatorName));
    edit->setValidator(validator);
    if (previous && previous->parent() == edit && previous->objectName() == QLatin1String(kOnlyNumValidatorName))
        const_cast<QValidator *>(previous)->deleteLater();
}

void showNumberError()
{
    QMessageBox box;
    box.setText(QObject::tr("num err"));
    box.exec();
}

} // namespace

void Vistrel::onlyNum(const QString &)
{
    if (auto *edit = qobject_cast<QLineEdit *>(sender()))
        replaceWithNumberValidator(edit);
}

void Vistrel::onlyNumbyslider(const QString &text)
{
    auto *edit = qobject_cast<QLineEdit *>(sender());
    if (!edit)
        return;
    const int number = text.toInt(nullptr, 10);  // 0 when not a whole number
    if (number <= kMaxScanCount) {
        edit->setText(QString::number(number));
        return;
    }
    showNumberError();
    edit->setText(QString::number(kMaxScanCount));
}

std::vector<double> Vistrel::VolFormula(const std::vector<double> &values) const
{
    return vistrel::protocol::volFormula(values);
}

// The settings packet for these values with the gamma controls as they
// stand; the caller owns the returned buffer.
unsigned char *Vistrel::double2uchar(const std::vector<double> &values)
{
    std::optional<double> curve;
    if (const std::optional<QString> text = gammaText())
        curve = text->toDouble();
    const vistrel::protocol::Bytes packet = vistrel::protocol::buildDriveSettingsPacket(values, curve);
    auto *image = new unsigned char[vistrel::protocol::kDriveSettingsSize]();
    std::copy_n(packet.begin(), std::min(packet.size(), vistrel::protocol::kDriveSettingsSize), image);
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
