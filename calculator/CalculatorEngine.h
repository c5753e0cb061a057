#pragma once

#include <QChar>
#include <QString>

// The desk calculator's number engine, shared by its keys and the keyboard. Numbers are
// held as text with "." as the decimal point, as the program's amount fields hold them.
// Operations apply strictly left to right; there is no precedence.
//
// A step that fails (division by zero, 0/0, overflow) throws QelError with the German text
// and leaves every part of the state as it was before the step.
class CalculatorEngine
{
public:
    struct State
    {
        QString Operand1;
        QString Operand2;
        int Active = 1;    // the operand that typing goes to
        QChar Operator;    // '+', '-', '*', '/', or null before the first operator
        QString Display = QStringLiteral("0");
        QString Memory;    // kept across every clear

        bool operator==(const State &) const = default;
    };

    const State &Current() const { return State_; }
    const QString &Display() const { return State_.Display; }
    const QString &Memory() const { return State_.Memory; }

    // Both operands empty, display "0", operand 1 active; the operator and memory stay.
    void Clear();
    void EnterDigit(QChar digit);
    // Refused while the display already shows a point; "0" in the display starts "0.".
    void EnterDecimalPoint();
    // With operand 2 active and both operands given, the pending operator is applied first.
    void OperatorStep(QChar op);
    void EqualsStep();
    // Removes the last character of the active operand while it has two or more.
    void Backspace();
    void MemoryCopy();   // "MC": memory := display
    void MemoryInsert(); // "MR": active operand := memory, when there is one

    // A typed character or a key's character: digits, "," or ".", the four operators,
    // "=" or "\r", "\b" for Backspace, "C" or "c". Returns false for any other character.
    bool Press(QChar key);

private:
    void Compute(State &state) const;
    void ShowActive(State &state) const;

    State State_;
};
