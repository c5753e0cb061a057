#include "ledger/QelError.h"

QelError::QelError(QString message)
    : Message_(std::move(message))
    , Utf8_(Message_.toUtf8())
{
}
