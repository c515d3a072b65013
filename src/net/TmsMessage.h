#pragma once

#include "net/TmsAddressList.h"
#include "net/TmsAttList.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class QIODevice;

// MIME structure, or plain text with the files uuencoded after the body.
enum TMsgEncoding { meMIME, meUU };
enum TCharSet { csUSASCII, csISO8859 };
enum TMsgPriority { ptLow, ptNormal, ptHigh };

// A mail to send: who it is from and to, what it says, the files it carries.
class TmsMessage {
public:
    TmsMailAddress& Sender() { return m_sender; }
    const TmsMailAddress& Sender() const { return m_sender; }
    TmsAddressList& Recipients() { return m_recipients; }
    const TmsAddressList& Recipients() const { return m_recipients; }
    TmsAddressList& CC() { return m_cc; }
    const TmsAddressList& CC() const { return m_cc; }
    // Envelope recipients only; never written into the header.
    TmsAddressList& BCC() { return m_bcc; }
    const TmsAddressList& BCC() const { return m_bcc; }

    const QString& Subject() const { return m_subject; }
    void setSubject(const QString& subject) { m_subject = subject; }
    QStringList& Body() { return m_body; }
    const QStringList& Body() const { return m_body; }
    void setBody(const QStringList& lines) { m_body = lines; }
    TmsAttList& Attachments() { return m_attachments; }
    const TmsAttList& Attachments() const { return m_attachments; }

    // The type of a message without files.
    const QString& ContentType() const { return m_contentType; }
    void setContentType(const QString& type) { m_contentType = type; }
    TMsgEncoding Encoding() const { return m_encoding; }
    void setEncoding(TMsgEncoding encoding) { m_encoding = encoding; }
    TCharSet CharSet() const { return m_charSet; }
    void setCharSet(TCharSet charSet) { m_charSet = charSet; }
    // Extra "Name: value" lines. Composing drops for good the ones whose name
    // the composer writes itself.
    QStringList& Headers() { return m_headers; }
    const QStringList& Headers() const { return m_headers; }
    bool ReturnReceipt() const { return m_returnReceipt; }
    void setReturnReceipt(bool ask) { m_returnReceipt = ask; }
    TMsgPriority Priority() const { return m_priority; }
    void setPriority(TMsgPriority priority) { m_priority = priority; }
    // The moment the mail is written, for its Date line; the sender's clock
    // gives it. A message without one has no Date line.
    const QDateTime& Date() const { return m_date; }
    void setDate(const QDateTime& date) { m_date = date; }

    // Writes the mail as it goes to the server: header, body and files, every
    // line ended by CR LF. Fails with ESocketError when a file cannot be read
    // or the stream not written.
    void SaveToStream(QIODevice& stream);

private:
    TmsMailAddress m_sender;
    TmsAddressList m_recipients;
    TmsAddressList m_cc;
    TmsAddressList m_bcc;
    QString m_subject;
    QStringList m_body;
    TmsAttList m_attachments;
    QString m_contentType = QStringLiteral("text/plain");
    TMsgEncoding m_encoding = meMIME;
    TCharSet m_charSet = csUSASCII;
    QStringList m_headers;
    bool m_returnReceipt = false;
    TMsgPriority m_priority = ptNormal;
    QDateTime m_date;
};
