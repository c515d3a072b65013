#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class ProgramSettings;
class TagHTTP;

// How fetching a PAD file ended: its bytes, or the message to show, or a
// cancel that needs no message.
struct PadFetchResult {
    QByteArray bytes;
    QString error;
    bool cancelled = false;

    bool ok() const { return error.isEmpty() && !cancelled; }
};

// Fetches the bytes of a PAD file from an http:// or https:// address the way
// every HTTP exchange of the program goes (the settings' proxy and time-out),
// following the server's redirects. Only a 200 answer of at most the largest
// PAD file read gives bytes; whether they are a PAD file is the reader's call.
class PadFetch : public QObject {
    Q_OBJECT
public:
    explicit PadFetch(const ProgramSettings& settings, QObject* parent = nullptr);
    ~PadFetch() override;

    static constexpr int MaxRedirects = 5;

    // Returns when the file has arrived, the exchange failed or cancel() stopped it.
    PadFetchResult fetch(const QString& url);
    // Stops the fetch in progress; it then ends cancelled.
    void cancel();
    bool busy() const { return m_http != nullptr; }

signals:
    // An exchange begins, and it has ended (fetched, failed or cancelled), for a progress window.
    void started();
    void finished();
    // What the fetch does, for the progress dialog's label.
    void statusChanged(const QString& text);

private:
    const ProgramSettings& m_settings;
    TagHTTP* m_http = nullptr; // the client of the exchange in progress
    bool m_cancelled = false;
};
