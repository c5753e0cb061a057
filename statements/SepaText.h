#pragma once

#include <QString>
#include <QStringView>

// The remittance text of a SEPA booking as the German banks hand it on: field tags such as
// "EREF+", "MREF+", "CRED+", "SVWZ+" and "ABWA+" run together in one text, and some banks
// repeat them at its end in a label form ("EREF: ...", "End-to-End-Ref.: ...").
struct SepaText
{
    QString Purpose;       // the purpose proper (SVWZ+, else the untagged text), blanks collapsed
    QString EndToEndId;    // empty for NOTPROVIDED
    QString MandateReference;
    QString CreditorId;
    QString UltimateParty; // ABWA+ (different payer) or ABWE+ (different payee)
    QString Remark;        // MTLG+, the bank's remark (a return's reason); also at the end of Purpose
};

SepaText SplitSepaText(QStringView text);
