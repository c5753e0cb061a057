#include "support/Banner.h"

#include "ledger/QelError.h"
#include "support/JpegDecoder.h"

#include <QFile>
#include <QLabel>
#include <QPixmap>

using namespace Qt::StringLiterals;

void LoadBanner(QLabel *image, const QString &resourceName)
{
    QFile file(u":/jpg/"_s + resourceName + u".jpg"_s);
    if (!file.open(QIODevice::ReadOnly))
        throw QelError(u"Das Bild „%1“ fehlt in den Programmdateien."_s.arg(resourceName));
    QString reason;
    const QImage picture = DecodeJpeg(file.readAll(), &reason);
    if (picture.isNull())
        throw QelError(u"Das Bild „%1“ kann nicht gelesen werden. %2"_s.arg(resourceName, reason));
    image->setScaledContents(true);
    image->setPixmap(QPixmap::fromImage(picture));
}

void DropBanner(QLabel *image)
{
    image->clear();
}
