#pragma once

#include <QAbstractSpinBox>
#include <QValidator>

namespace clickwisp {

// Filters what the user types into a number field: with digitsOnly, only
// "0"-"9"; with maxLength > 0, at most that many characters. Text set by
// the program is never cut or refused, so a stored value that is longer or
// negative shows as it is and survives a round trip.
class TypedFieldFilter : public QValidator {
    Q_OBJECT
public:
    TypedFieldFilter(QObject* parent, bool digitsOnly, int maxLength);
    State validate(QString& input, int& pos) const override;

private:
    bool m_digitsOnly;
    int m_maxLength;
};

// A spin box whose value is its text as typed. The arrows (and the up/down
// keys and the wheel) step the number in the text within [minimum, maximum];
// typing is limited only by the filter, so a typed 150 stays 150 even when
// the arrows stop at 100.
class TypedSpinBox : public QAbstractSpinBox {
    Q_OBJECT
public:
    TypedSpinBox(QWidget* parent, int minimum, int maximum, int step, bool digitsOnly, int maxLength);

    // Replaces the text as it is, without clamping or cutting it.
    void setText(const QString& text);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int singleStep() const { return m_step; }

    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_minimum;
    int m_maximum;
    int m_step;
    int m_maxLength;
    TypedFieldFilter m_filter;
};

} // namespace clickwisp
