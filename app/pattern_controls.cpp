#include "pattern_controls.h"

#include <QComboBox>
#include <QMap>
#include <QPushButton>
#include <QSpinBox>

using vistrel::protocol::PatternRequest;
using vistrel::protocol::PatternDefinition;
using vistrel::session::Content;

namespace {

// Where each value starts when its pattern is chosen: a useful first look.
const QMap<QString, QVector<int>> kStartValues{
    {QStringLiteral("gray"), {128}},          {QStringLiteral("hsteps"), {8}}, {QStringLiteral("vsteps"), {8}},
    {QStringLiteral("squares"), {10, 255, 0}}, {QStringLiteral("grid"), {10}}, {QStringLiteral("border"), {2}},
    {QStringLiteral("box"), {255, 0}},
};

} // namespace

PatternControls::PatternControls(const Widgets &widgets, vistrel::session::PanelSession &session, QObject *parent)
    : QObject(parent), m_widgets(widgets), m_session(session)
{
    // all-on and checker have their own buttons.
    for (const PatternDefinition &definition : vistrel::protocol::patternDefinitions()) {
        if (!vistrel::protocol::isSeedPattern({definition.name, {}}))
            m_widgets.names->addItem(QString::fromLatin1(definition.name));
    }
    for (QSpinBox *box : m_widgets.values) {  // until a pattern names the value
        box->setAccessibleName(tr("Pattern value"));
        box->setAccessibleDescription(tr("A value of the chosen pattern"));
    }
    connect(m_widgets.names, &QComboBox::currentTextChanged, this, &PatternControls::fitValues);
    connect(m_widgets.show, &QPushButton::clicked, this, [this] { m_session.showPattern(request()); });
    connect(m_widgets.off, &QPushButton::clicked, this, [this] { m_session.takeDownPattern(); });
    connect(&m_session, &vistrel::session::PanelSession::contentChanged, this, &PatternControls::follow);
    connect(&m_session, &vistrel::session::PanelSession::linkStateChanged, this, &PatternControls::follow);
    fitValues();
    follow();
}

PatternRequest PatternControls::request() const
{
    PatternRequest request{m_widgets.names->currentText().toStdString(), {}};
    for (QSpinBox *value : m_widgets.values) {
        if (!value->isHidden())
            request.values.push_back(value->value());
    }
    return request;
}

// One spin box per value, with its name and range; the rest hidden.
void PatternControls::fitValues()
{
    const PatternDefinition *definition = vistrel::protocol::findPatternDefinition(m_widgets.names->currentText().toStdString());
    const QVector<int> start = kStartValues.value(m_widgets.names->currentText());
    for (std::size_t i = 0; i < m_widgets.values.size(); ++i) {
        QSpinBox *box = m_widgets.values[i];
        const bool used = definition && i < definition->values.size();
        box->setHidden(!used);
        if (!used)
            continue;
        const vistrel::protocol::PatternValue &value = definition->values[i];
        box->setPrefix(QStringLiteral("%1 ").arg(QLatin1String(value.name)));
        box->setRange(value.min, value.max);
        box->setValue(int(i) < start.size() ? start[int(i)] : value.min);
        const QString name = QLatin1String(value.name);
        box->setAccessibleName(tr("Pattern value %1").arg(name));
        box->setAccessibleDescription(tr("%1 of the pattern, from %2 to %3").arg(name).arg(value.min).arg(value.max));
        box->setToolTip(box->accessibleDescription());
    }
}

// Show is locked while a picture or video is shown, Off while no pattern is lit.
void PatternControls::follow()
{
    const Content content = m_session.content();
    m_widgets.show->setEnabled(content != Content::Picture && content != Content::Video);
    m_widgets.off->setEnabled(m_session.litPattern().has_value());
}
