// The per-user store of the eight field texts (organization "Halvorn",
// application "Vistrel", group "ReceiverSettings", one key per field named
// after it). Texts are stored exactly as typed. The window's own choices
// (the advanced rows shown, the last folder, where the windows were) live
// beside them in group "Console", so the field keys stay as they are.
#ifndef VISTREL_SESSION_SETTINGS_STORE_H
#define VISTREL_SESSION_SETTINGS_STORE_H

#include "field_texts.h"

#include <QVariant>

namespace vistrel::session {

// A missing key reads as empty, and so does a stored text its field would
// not let the user type: a hand-edited "1e308" or "inf" never reaches the
// encoder.
FieldTexts loadFieldTexts();

void saveFieldTexts(const FieldTexts &texts);

// A window choice in group "Console"; an invalid QVariant when never stored.
QVariant loadConsoleValue(const QString &key);
void saveConsoleValue(const QString &key, const QVariant &value);

} // namespace vistrel::session

#endif
