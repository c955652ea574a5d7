#include "settings_store.h"

#include <QSettings>

#include <utility>

namespace vistrel::session {

namespace {

const QString kConsoleGroup = QStringLiteral("Console");

struct StoredField {
    const char *key;
    QString FieldTexts::*text;
    FieldRule rule;
};

// In the order both directions visit them.
const StoredField kStoredFields[] = {
    {"lineEdit_vdd", &FieldTexts::vdd, FieldRule::TenVolts},
    {"lineEdit_vss", &FieldTexts::vss, FieldRule::TenVolts},
    {"lineEdit_von", &FieldTexts::von, FieldRule::TwentyVolts},
    {"lineEdit_voff", &FieldTexts::voff, FieldRule::TwentyVolts},
    {"lineEdit_grvh", &FieldTexts::vh, FieldRule::TenVolts},
    {"lineEdit_grvl", &FieldTexts::vl, FieldRule::TenVolts},
    {"lineEdit_vbais", &FieldTexts::vbias, FieldRule::TenVolts},
    {"lineEdit_fps", &FieldTexts::fps, FieldRule::FrameRate},
};

class StoreGroup {
public:
    explicit StoreGroup(const QString &name = QStringLiteral("ReceiverSettings"))
        : m_store(QStringLiteral("Halvorn"), QStringLiteral("Vistrel"))
    {
        m_store.beginGroup(name);
    }
    ~StoreGroup() { m_store.endGroup(); }
    QSettings &store() { return m_store; }

private:
    QSettings m_store;
};

} // namespace

FieldTexts loadFieldTexts()
{
    StoreGroup group;
    FieldTexts texts;
    for (const StoredField &field : kStoredFields) {
        const QString text = group.store().value(QLatin1String(field.key)).toString();
        if (fieldAccepts(field.rule, text))
            texts.*field.text = text;
    }
    return texts;
}

void saveFieldTexts(const FieldTexts &texts)
{
    StoreGroup group;
    for (const StoredField &field : kStoredFields)
        group.store().setValue(QLatin1String(field.key), texts.*field.text);
}

QVariant loadConsoleValue(const QString &key)
{
    return StoreGroup(kConsoleGroup).store().value(key);
}

void saveConsoleValue(const QString &key, const QVariant &value)
{
    StoreGroup(kConsoleGroup).store().setValue(key, value);
}

} // namespace vistrel::session
