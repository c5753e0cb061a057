#pragma once

#include "changes/ChangeEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

// The text form of a change log: a header line naming the computer, then each entry as lines
// of tab-separated fields (UTF-8; tab, line break, carriage return and backslash escaped), ended
// by a line with its seq and a CRC-32 of its lines. An entry without its end line (a writer killed
// while appending) or with a wrong sum is no entry; reading stops there. An op line of a type
// this version does not know (a later version wrote it) is passed over.
//
//   Haushaltsbuch-Änderungen  1  <computer>  <host>
//   E  <seq>  <clock>  <when>  <kind>  <target>  <text>
//   b  <id>  <rev>  <base>  (A <content> | -)  (B <content> | -)       a booking
//   k  <book>  <1|0>                                                  a book made or removed
//   l  <book>  <list>  <skeleton, base64>                             a list's presentation
//   o  <book>  <list>  <id>,<id>,…                                    a list's order
//   g  <key>  <from>  (A <budget> | -)  (B <budget> | -)              a budget entry
//   r  <account>  <content key>  <occurrence>  <reference>  <booking> a statement row booked
//   d  <booking>  <document>  <1|0>  <name>                           a document put on or taken off
//   f  <file>  <hash>  <time>                                         a ledger file as written
//   a  <file>  <hash>  <computer>=<seq>,…  <time>                      an adopted file
//   Z  <seq>  <crc>
//
// content: book, list (E, A, R), caption, number of sub-items, the sub-items, and the row's
// other stored values ("" when they are the program's: 0, -1, -1, 0, all -1).
// budget: category, cents ("" for none), carry-over (1, 0).
namespace EntryCodec {

// Bounds of what a reader takes in, far beyond a household's lifetime, so that damaged or
// foreign data is refused quickly.
constexpr qsizetype MaxLogBytes = 256LL * 1024 * 1024;
constexpr qsizetype MaxLineBytes = 1024 * 1024;
constexpr qsizetype MaxOpsPerEntry = 4 * 1024 * 1024;
constexpr qsizetype MaxTextChars = 4096;
constexpr qsizetype MaxSubItems = 16;

QByteArray HeaderLine(const QByteArray &computer, const QString &host);
QByteArray Encode(const ChangeEntry &entry);

struct Read
{
    QByteArray Computer; // as the header names it; empty when the header is not ours
    QString Host;
    QList<ChangeEntry> Entries;
    qsizetype GoodEnd = 0; // the byte after the last whole entry (or the header)
    // Why reading stopped before the end; empty when every byte was read. A torn last entry
    // (no end line) is not named: it is what a kill while appending leaves.
    QString Problem;
    bool TornTail = false;
};

// Reads a whole log. Entries must count 1, 2, …; bytes without the header (what was appended
// since an earlier read) go on from firstSeq.
Read Decode(QByteArrayView bytes, bool withHeader = true, qint64 firstSeq = 1);

// A computer id as logs use it: 1 to 32 characters 0-9 a-f.
bool IsComputerId(QByteArrayView id);

// The CRC-32 (IEEE) of bytes.
quint32 Crc32(QByteArrayView bytes, quint32 crc = 0);

} // namespace EntryCodec
