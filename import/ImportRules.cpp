#include "import/ImportRules.h"

#include "import/LedgerText.h"
#include "ledger/FuncUnit.h"

RuleSet::RuleSet(const QList<ImportRule> &rules)
{
    Rules_.reserve(rules.size());
    for (const ImportRule &rule : rules) {
        Compiled compiled{rule, {}};
        if (rule.IsRegex) {
            compiled.Regex.setPattern(rule.Pattern);
            compiled.Regex.setPatternOptions(QRegularExpression::CaseInsensitiveOption
                                             | QRegularExpression::UseUnicodePropertiesOption);
            compiled.Regex.optimize();
        }
        Rules_.append(std::move(compiled));
    }
}

qsizetype RuleSet::Find(const QString &counterparty, const QString &purpose, bool credit) const
{
    for (qsizetype i = 0; i < Rules_.size(); ++i) {
        const Compiled &c = Rules_.at(i);
        if ((c.Rule.Direction == RuleDirection::Income && !credit)
            || (c.Rule.Direction == RuleDirection::Expense && credit) || c.Rule.Pattern.isEmpty())
            continue;
        bool found = false;
        if (c.Rule.IsRegex) {
            found = c.Regex.isValid()
                    && (c.Regex.match(counterparty).hasMatch() || c.Regex.match(purpose).hasMatch());
        } else {
            found = counterparty.contains(c.Rule.Pattern, Qt::CaseInsensitive)
                    || purpose.contains(c.Rule.Pattern, Qt::CaseInsensitive);
        }
        if (found)
            return i;
    }
    return -1;
}

QString CheckRule(const ImportRule &rule)
{
    if (rule.Pattern.trimmed().isEmpty())
        return QStringLiteral("Bitte geben Sie ein Muster an.");
    if (rule.IsRegex) {
        const QRegularExpression regex(rule.Pattern);
        if (!regex.isValid()) {
            return QStringLiteral("Das Muster \"%1\" ist kein gültiger regulärer Ausdruck: %2 (Stelle %3).")
                .arg(rule.Pattern, regex.errorString())
                .arg(regex.patternErrorOffset() + 1);
        }
    }
    if (QString problem = LedgerText::Problem(rule.Category, QStringLiteral("Kategorie"), true); !problem.isEmpty())
        return problem;
    return LedgerText::Problem(rule.Purpose, QStringLiteral("Verwendung"), false);
}

QString DirectionText(RuleDirection direction)
{
    switch (direction) {
    case RuleDirection::Income:
        return IncomeKind();
    case RuleDirection::Expense:
        return ExpenseKind();
    case RuleDirection::Both:
        break;
    }
    return QStringLiteral("beide");
}
