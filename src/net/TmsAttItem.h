#pragma once

#include <QString>

// A file sent with a message. Its content type and transfer encoding are found
// from the file's name when it is added.
class TmsAttItem {
public:
    explicit TmsAttItem(const QString& filePath);

    const QString& FilePath() const { return m_filePath; }
    // The path's last component, as the part headers name it.
    QString FileName() const;
    const QString& ContentType() const { return m_contentType; }
    // "Quoted-Printable", "7bit" or "Base64", written as it stands into the part header.
    const QString& Encoding() const { return m_encoding; }

    // The registered type of the file name's extension, letter case aside;
    // "application/octet-stream" when there is none.
    static QString contentTypeFor(const QString& filePath);
    static QString encodingFor(const QString& contentType);

private:
    QString m_filePath;
    QString m_contentType;
    QString m_encoding;
};
