#include "ui/typed_fields.h"

#include "app/number_field.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>

namespace clickwisp {

TypedFieldFilter::TypedFieldFilter(QObject* parent, bool digitsOnly, int maxLength)
    : QValidator(parent)
    , m_digitsOnly(digitsOnly)
    , m_maxLength(maxLength)
{
}

QValidator::State TypedFieldFilter::validate(QString& input, int&) const
{
    if (m_maxLength > 0 && input.size() > m_maxLength)
        return Invalid;
    if (m_digitsOnly && std::ranges::any_of(input, [](QChar c) { return c < u'0' || c > u'9'; }))
        return Invalid;
    return Acceptable;
}

TypedSpinBox::TypedSpinBox(QWidget* parent, int minimum, int maximum, int step, bool digitsOnly, int maxLength)
    : QAbstractSpinBox(parent)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_step(step)
    , m_maxLength(maxLength)
    , m_filter(nullptr, digitsOnly, maxLength)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
}

void TypedSpinBox::setText(const QString& text)
{
    lineEdit()->setText(text);
}

void TypedSpinBox::stepBy(int steps)
{
    setText(QString::fromStdString(SteppedText(text().toStdString(), steps, { m_minimum, m_maximum, m_step })));
    selectAll();
}

QValidator::State TypedSpinBox::validate(QString& input, int& pos) const
{
    return m_filter.validate(input, pos);
}

void TypedSpinBox::fixup(QString&) const
{
    // The text is the value: nothing is corrected behind the user's back.
}

QAbstractSpinBox::StepEnabled TypedSpinBox::stepEnabled() const
{
    if (!isEnabled() || isReadOnly())
        return StepNone;
    bool ok = false;
    const long long current = text().trimmed().toLongLong(&ok);
    if (!ok)
        return StepUpEnabled | StepDownEnabled;
    StepEnabled enabled = StepNone;
    if (current < m_maximum)
        enabled |= StepUpEnabled;
    if (current > m_minimum)
        enabled |= StepDownEnabled;
    return enabled;
}

QSize TypedSpinBox::sizeHint() const
{
    ensurePolished();
    const QFontMetrics metrics(font());
    const int digits = m_maxLength > 0 ? m_maxLength : int(QString::number(m_maximum).size());
    const int textWidth = metrics.horizontalAdvance(QString(std::max(digits, 2) + 1, u'8'));
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QSize content(textWidth + 4, lineEdit()->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, content, this);
}

QSize TypedSpinBox::minimumSizeHint() const
{
    return sizeHint();
}

} // namespace clickwisp
