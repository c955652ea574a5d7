// The gamma controls and two filtering slots that act on whichever line edit
// sent the text; a sender that is not a line edit is ignored.
#include "vistrel.h"

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

void Vistrel::changeGamma()
{
    ui.lineEdit_gamma->setVisible(ui.radioButton_gamma->isChecked());
}

void Vistrel::hideGamma(bool hide)
{
    ui.lineEdit_gamma->setHidden(hide);
}

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
