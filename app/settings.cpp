// The settings store: the texts of the eight value fields, kept per user in
// the toolkit's native store. Texts go in and come out unchanged; a field
// whose key is missing (first run, unreadable store) is emptied.
#include "vistrel.h"

#include <QSettings>

#include <array>
#include <utility>

namespace {

const char *const kOrganization = "Halvorn";
const char *const kApplication = "Vistrel";
const char *const kGroup = "ReceiverSettings";

using StoredField = std::pair<const char *, QLineEdit *>;

// Key and field in the order both directions visit them. Each key is the
// field's objectName.
std::array<StoredField, 8> storedFields(const Ui_Vistrel &ui)
{
    return {{
        {"lineEdit_vdd", ui.lineEdit_vdd},
        {"lineEdit_vss", ui.lineEdit_vss},
        {"lineEdit_von", ui.lineEdit_von},
        {"lineEdit_voff", ui.lineEdit_voff},
        {"lineEdit_grvh", ui.lineEdit_grvh},
        {"lineEdit_grvl", ui.lineEdit_grvl},
        {"lineEdit_vbais", ui.lineEdit_vbais},
        {"lineEdit_fps", ui.lineEdit_fps},
    }};
}

} // namespace

void Vistrel::loadSettings() const
{
    QSettings store(QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication));
    store.beginGroup(QString::fromLatin1(kGroup));
    // setText bypasses the validators: a stored text is shown as stored, and
    // the frame-rate field's change handler brings fps in step.
    for (const auto &[key, field] : storedFields(ui))
        field->setText(store.value(QString::fromLatin1(key), QString()).toString());
    store.endGroup();
}

void Vistrel::saveSettings() const
{
    QSettings store(QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication));
    store.beginGroup(QString::fromLatin1(kGroup));
    for (const auto &[key, field] : storedFields(ui))
        store.setValue(QString::fromLatin1(key), field->text());
    store.endGroup();
}
