#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;
class TmsAttItem;
class TmsMailAddress;
class TmsMessage;

// Writes one message as the text a mail server is given: the header block,
// then the body and files as a single part, a lone file part, a
// multipart/mixed message, or plain text with uuencoded files. Every line ends
// with CR LF, none is longer than 998 bytes, and no line of a part begins with
// the multipart boundary.
class TmsComposer {
public:
    TmsComposer(TmsMessage& message, QIODevice& stream);
    TmsComposer(const TmsComposer&) = delete;
    TmsComposer& operator=(const TmsComposer&) = delete;

    // Fails with ESocketError when a file cannot be read or the stream not written.
    void write();

    // Header names the composer writes itself; a message's extra lines with one
    // of these names are dropped.
    static bool isReservedHeader(const QString& name);
    // This machine's name as mail commands and headers may carry it.
    static QString localHostName();

private:
    enum class FileEncoding { Base64, QuotedPrintable, SevenBit };
    // How one file goes into the message, settled before anything is written.
    struct FilePart {
        const TmsAttItem* item = nullptr;
        QString contentType;
        QString encodingText;
        FileEncoding encoding = FileEncoding::Base64;
    };
    struct BodyText {
        QList<QByteArray> lines;
        QByteArray charset;
        bool quotedPrintable = false;
    };

    void removeReservedHeaders();
    QList<FilePart> planFiles(QList<QByteArray>& dashLines) const;
    BodyText bodyText() const;

    void writeHeaderBlock(bool mime);
    void writeAddressList(const QString& label, const QList<TmsMailAddress>& addresses);
    void writeUnstructured(const QByteArray& label, const QString& value);
    void writeBodyPartHeaders(const BodyText& body, const QString& contentType);
    void writeBodyLines(const BodyText& body);
    void writeFilePartHeaders(const FilePart& part);
    void writeFileContent(const FilePart& part);
    void writeBase64(const QString& path);
    void writeQuotedPrintable(const QString& path);
    void writeSevenBit(const QString& path);
    void writeUuencoded(const TmsAttItem& item);
    QByteArray chooseBoundary(const QList<QByteArray>& dashLines) const;

    void line(const QByteArray& text);
    void raw(const QByteArray& bytes);
    void flush();

    TmsMessage& m_message;
    QIODevice& m_stream;
    QByteArray m_buffer;
};
