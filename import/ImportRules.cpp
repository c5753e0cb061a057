#include "import/ImportRules.h"

#include "import/LedgerText.h"
#include "ledger/FuncUnit.h"

#include <QSet>

using namespace Qt::StringLiterals;

namespace {

// Words that many counterparties share: legal forms and what shops, stations and payment
// services put beside their name. Compared letters and digits only, lower case.
bool IsGenericWord(const QString &key)
{
    static const QSet<QString> words{
        // legal forms ("e.V." and "S.à r.l." lose their points)
        u"gmbh"_s, u"mbh"_s, u"ag"_s, u"kg"_s, u"kgaa"_s, u"ohg"_s, u"ug"_s, u"gbr"_s, u"ev"_s, u"eg"_s, u"ek"_s,
        u"ekfr"_s, u"co"_s, u"se"_s, u"haftungsbeschränkt"_s, u"ltd"_s, u"inc"_s, u"llc"_s, u"plc"_s, u"sarl"_s,
        u"sàrl"_s, u"sa"_s, u"sca"_s, u"bv"_s, u"nv"_s, u"spa"_s, u"srl"_s, u"und"_s, u"et"_s, u"cie"_s,
        // what a branch adds to the chain's name
        u"markt"_s, u"supermarkt"_s, u"filiale"_s, u"fil"_s, u"station"_s, u"tankstelle"_s, u"sagt"_s,
        u"danke"_s, u"sb"_s, u"shop"_s, u"store"_s, u"center"_s, u"zentrale"_s, u"deutschland"_s,
    };
    return words.contains(key);
}

} // namespace

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

QString ProposedRulePattern(const QString &counterparty)
{
    // The place of a branch follows a slash: "REWE Markt GmbH/Münster".
    const QString name = counterparty.section(u'/', 0, 0).trimmed();
    struct Word
    {
        qsizetype From;
        qsizetype To; // past the end
        qsizetype Letters;
    };
    QList<Word> distinctive;
    for (qsizetype i = 0; i < name.size();) {
        if (name.at(i).isSpace()) {
            ++i;
            continue;
        }
        Word word{i, i, 0};
        QString key;
        for (; i < name.size() && !name.at(i).isSpace(); ++i) {
            const QChar c = name.at(i);
            if (c.isLetterOrNumber())
                key += c.toLower();
            word.Letters += c.isLetter() ? 1 : 0;
        }
        word.To = i;
        // A number (a branch's, a card's) is no name; nor are words of nothing but signs.
        if (word.Letters > 0 && !IsGenericWord(key))
            distinctive.append(word);
    }
    if (distinctive.isEmpty())
        return counterparty.trimmed();
    // Trim signs around the word: "(Europe)", "Müller,".
    const auto cut = [&name](qsizetype from, qsizetype to) {
        while (from < to && !name.at(from).isLetterOrNumber())
            ++from;
        while (to > from && !name.at(to - 1).isLetterOrNumber())
            --to;
        return name.mid(from, to - from);
    };
    const Word &first = distinctive.front();
    // One or two letters would be found in far too many names.
    if (first.Letters < 3 && distinctive.size() > 1)
        return cut(first.From, distinctive.at(1).To);
    return cut(first.From, first.To);
}
