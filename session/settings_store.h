// The per-user store of the eight field texts (organization "Halvorn",
// application "Vistrel", group "ReceiverSettings", one key per field named
// after it). Texts are stored exactly as typed.
#ifndef VISTREL_SESSION_SETTINGS_STORE_H
#define VISTREL_SESSION_SETTINGS_STORE_H

#include "field_texts.h"

namespace vistrel::session {

// A missing key reads as empty, and so does a stored text its field would
// not let the user type: a hand-edited "1e308" or "inf" never reaches the
// encoder.
FieldTexts loadFieldTexts();

void saveFieldTexts(const FieldTexts &texts);

} // namespace vistrel::session

#endif
