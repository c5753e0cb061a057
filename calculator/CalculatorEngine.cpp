#include "calculator/CalculatorEngine.h"

#include "ledger/FuncUnit.h"
#include "ledger/QelError.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

QString OverflowText()
{
    return u"Gleitkommaüberlauf"_s;
}

// An operand typed as "." or left as "-" by Backspace has no digit and counts as 0; "5."
// counts as 5. Every other text the engine makes is an amount text, so a failing parse
// can only be a number beyond double.
double OperandValue(const QString &text)
{
    if (const auto value = TryParseAmount(text))
        return *value;
    if (std::none_of(text.begin(), text.end(), [](QChar ch) { return ch.isDigit(); }))
        return 0.0;
    throw QelError(OverflowText());
}

} // namespace

void CalculatorEngine::Clear()
{
    State_.Operand1.clear();
    State_.Operand2.clear();
    State_.Display = u"0"_s;
    State_.Active = 1;
}

void CalculatorEngine::ShowActive(State &state) const
{
    state.Display = state.Active == 1 ? state.Operand1 : state.Operand2;
}

void CalculatorEngine::EnterDigit(QChar digit)
{
    (State_.Active == 1 ? State_.Operand1 : State_.Operand2).append(digit);
    ShowActive(State_);
}

void CalculatorEngine::EnterDecimalPoint()
{
    // The display decides, not the operand: right after a result the display still shows
    // the previous number.
    if (State_.Display.contains(u'.'))
        return;
    QString &operand = State_.Active == 1 ? State_.Operand1 : State_.Operand2;
    if (State_.Display == u"0"_s)
        operand = u"0"_s;
    operand.append(u'.');
    ShowActive(State_);
}

void CalculatorEngine::Compute(State &state) const
{
    const double a = OperandValue(state.Operand1);
    const double b = OperandValue(state.Operand2);
    double result = 0.0;
    switch (state.Operator.unicode()) {
    case u'+':
        result = a + b;
        break;
    case u'-':
        result = a - b;
        break;
    case u'*':
        result = a * b;
        break;
    case u'/':
        if (b == 0.0)
            throw QelError(a == 0.0 ? u"Ungültige Gleitkommaoperation"_s : u"Gleitkommadivision durch Null"_s);
        result = a / b;
        break;
    default: // no operator yet: operand 2 is never active then
        return;
    }
    if (!std::isfinite(result))
        throw QelError(OverflowText());
    // Plain two-decimal notation at every size: a result is always an amount text that the
    // amount fields take and the engine reads back; a long one runs out of the display.
    state.Display = FormatAmount(result);
    state.Operand1 = state.Display;
    state.Operand2.clear();
    state.Active = 2;
}

void CalculatorEngine::OperatorStep(QChar op)
{
    State next = State_;
    if (next.Active == 1) {
        next.Operand2.clear();
        next.Active = 2;
    } else if (!next.Operand1.isEmpty() && !next.Operand2.isEmpty()) {
        Compute(next);
    }
    next.Operator = op;
    State_ = next;
}

void CalculatorEngine::EqualsStep()
{
    if (State_.Active != 2 || State_.Operand1.isEmpty() || State_.Operand2.isEmpty())
        return;
    State next = State_;
    Compute(next);
    State_ = next;
}

void CalculatorEngine::Backspace()
{
    QString &operand = State_.Active == 1 ? State_.Operand1 : State_.Operand2;
    if (operand.size() < 2)
        return;
    operand.chop(1);
    ShowActive(State_);
}

void CalculatorEngine::MemoryCopy()
{
    State_.Memory = State_.Display;
}

void CalculatorEngine::MemoryInsert()
{
    if (State_.Memory.isEmpty())
        return;
    (State_.Active == 1 ? State_.Operand1 : State_.Operand2) = State_.Memory;
    ShowActive(State_);
}

bool CalculatorEngine::Press(QChar key)
{
    if (key.isDigit() && key.unicode() < 128)
        EnterDigit(key);
    else if (key == u',' || key == u'.')
        EnterDecimalPoint();
    else if (key == u'+' || key == u'-' || key == u'*' || key == u'/')
        OperatorStep(key);
    else if (key == u'=' || key == u'\r')
        EqualsStep();
    else if (key == u'\b')
        Backspace();
    else if (key == u'C' || key == u'c')
        Clear();
    else
        return false;
    return true;
}
