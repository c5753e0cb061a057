#include "ledger/ConflictCopies.h"

#include <QDir>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace ConflictCopies {

namespace {

// Syncthing puts its mark before the extension: NAME.sync-conflict-YYYYMMDD-HHMMSS-DEVICE.EXT.
const QRegularExpression &SyncthingMark()
{
    static const QRegularExpression mark(u"^(.+)\\.sync-conflict-\\d{8}-\\d{6}(-[A-Z0-9]{7})?(\\.[^.]+)$"_s,
                                         QRegularExpression::CaseInsensitiveOption);
    return mark;
}

// Nextcloud, ownCloud and Dropbox put theirs in brackets before the extension, in the words of
// the machine's language: "(conflicted copy 2026-03-08 101500)", "(Peters conflicted copy
// 2026-03-08)", "(Peters in Konflikt stehende Kopie 2026-03-08)", "(copie en conflit de …)";
// Dropbox may number a second one: "… (1)".
const QRegularExpression &BracketMark()
{
    static const QRegularExpression mark(
        u"^(.+?) \\([^()]*(conflicted copy|conflict copy|in Konflikt stehende Kopie|Konfliktkopie|copie en conflit|"
        u"copia en conflicto|copia in conflitto|conflicterende kopie|kopia konfliktowa)[^()]*\\)( \\(\\d+\\))?"
        u"(\\.[^.]+)$"_s,
        QRegularExpression::CaseInsensitiveOption);
    return mark;
}

bool IsLedgerFile(const QString &name)
{
    return name.endsWith(u".qel"_s) || name == u"Regular.dat"_s || name == u"Budgets.dat"_s;
}

} // namespace

std::optional<QString> OriginalName(const QString &fileName)
{
    QString original;
    if (const QRegularExpressionMatch m = SyncthingMark().match(fileName); m.hasMatch())
        original = m.captured(1) + m.captured(3);
    else if (const QRegularExpressionMatch b = BracketMark().match(fileName); b.hasMatch())
        original = b.captured(1) + b.captured(4);
    if (original.isEmpty() || !IsLedgerFile(original))
        return std::nullopt;
    return original;
}

QStringList InFolder(const QString &folder)
{
    QStringList copies;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString &name : names) {
        if (IsConflictCopy(name))
            copies.append(name);
    }
    return copies;
}

} // namespace ConflictCopies
