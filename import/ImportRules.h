#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>

// Which bookings a rule applies to.
enum class RuleDirection { Both, Income, Expense };

// One of the user's import rules: a text looked for in a statement row's counterparty and
// purpose, and the category and purpose its booking gets. The rules are kept in order;
// the first one that matches a row decides.
struct ImportRule
{
    QString Pattern;
    bool IsRegex = false; // else a text found anywhere, letter case ignored
    RuleDirection Direction = RuleDirection::Both;
    QString Category;
    QString Purpose; // empty: the counterparty's name, as without a rule

    bool operator==(const ImportRule &) const = default;
};

// The rules compiled once, for many rows.
class RuleSet
{
public:
    RuleSet() = default;
    explicit RuleSet(const QList<ImportRule> &rules);

    // The position of the first rule that matches, or -1. A regular expression that does not
    // compile matches nothing.
    qsizetype Find(const QString &counterparty, const QString &purpose, bool credit) const;
    const ImportRule &Rule(qsizetype i) const { return Rules_.at(i).Rule; }
    qsizetype Count() const { return Rules_.size(); }

private:
    struct Compiled
    {
        ImportRule Rule;
        QRegularExpression Regex;
    };
    QList<Compiled> Rules_;
};

// Empty when the rule can be kept; otherwise why not, in German.
QString CheckRule(const ImportRule &rule);

// The pattern a rule made from one booking proposes: the counterparty's distinctive word, so
// that the same chain's other branches match too ("REWE Markt GmbH/Münster" -> "REWE",
// "ARAL Station 2811" -> "ARAL"). Legal forms, generic words (Markt, Station, SAGT DANKE),
// numbers and the place after "/" are passed over; a word of one or two letters takes the
// next distinctive word with it ("H & M"). The whole name when no word is left.
QString ProposedRulePattern(const QString &counterparty);

// "Einnahme", "Ausgabe", or "beide".
QString DirectionText(RuleDirection direction);
