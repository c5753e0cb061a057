#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The documents on bookings as files in the data folder's "Belege" folder, each named by its
// content: "<SHA-256 in hex>.<pdf|jpg|png|xml>". A file is kept once however often it is put
// on bookings, never changes, and travels with the data folder (backups, synchronised folders)
// as it is. Nothing here knows which booking carries which document; the change logs say that.

// Whether a name is one the store gives ("3f…e1.pdf"): 64 hex digits, a point, a known type.
bool IsStoredDocumentName(QByteArrayView name);

class DocumentStore
{
public:
    explicit DocumentStore(QString dataFolder);

    static QString FolderName(); // "Belege"
    QString Folder() const;      // with a trailing slash
    QString PathOf(const QString &storedName) const;

    struct Added
    {
        QString StoredName;
        bool WasThere = false; // the same content was kept already
    };
    // Copies a document into the store, atomically (a failure leaves no part of it). Throws
    // QelError with a German message when the file cannot be read, is too large, is of no
    // type the store keeps (PDF, JPEG, PNG, XML), or cannot be written.
    Added Add(const QString &path) const;
    Added AddBytes(const QByteArray &bytes) const;

    // Copies every document of this store that the other lacks into it (a backup, a restore);
    // documents never change, so nothing there is replaced or removed. Only plain files are
    // taken, and with checkContent only those whose content is what their name says (a backup
    // folder is not to be trusted). Returns how many were copied; throws QelError naming the
    // document when one cannot be written (those copied before stay).
    int CopyMissingTo(const DocumentStore &other, bool checkContent) const;

    // The stored names in the folder, sorted; files of other names are left alone.
    QStringList StoredNames() const;
    bool Has(const QString &storedName) const;

private:
    QString DataFolder_;
};
