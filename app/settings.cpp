// The eight field texts and the settings store. Loading shows each stored
// text as stored, unless its field would never have accepted it from the
// keyboard: then the field is left empty.
#include "vistrel.h"

#include "settings_store.h"

void Vistrel::loadSettings() const
{
    const vistrel::session::FieldTexts texts = vistrel::session::loadFieldTexts();
    // setText bypasses the validators (the store checked the texts), and the
    // frame-rate field's change handler brings the session's rate in step.
    ui.lineEdit_vdd->setText(texts.vdd);
    ui.lineEdit_vss->setText(texts.vss);
    ui.lineEdit_von->setText(texts.von);
    ui.lineEdit_voff->setText(texts.voff);
    ui.lineEdit_grvh->setText(texts.vh);
    ui.lineEdit_grvl->setText(texts.vl);
    ui.lineEdit_vbais->setText(texts.vbias);
    ui.lineEdit_fps->setText(texts.fps);
}

void Vistrel::saveSettings() const
{
    vistrel::session::saveFieldTexts(fieldTexts());
}
