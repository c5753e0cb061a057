#pragma once

#include "statements/Statement.h"

#include <QByteArrayView>
#include <QString>

// ISO 20022 bank-to-customer messages: camt.052 (account report), camt.053 (statement) and
// camt.054 (debit/credit notification), versions .001.02 to .001.08 as the German banks
// deliver them. Each entry becomes a row; a batch entry whose transaction details add up
// to it becomes one row per transaction.

// True when the bytes begin (after a BOM and blanks) with "<".
bool LooksLikeXml(QByteArrayView bytes);

// Throws QelError for XML that is broken, cut off or not such a message.
Statement ReadCamt(QByteArrayView bytes, const QString &fileName);
