#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <algorithm>

// A server's reply as the clients' connections hand it out, from a fuzz
// input instead of a socket: lines ended by LF, each at most `longest`
// characters, and raw bytes, with the stream's end where the peer closes.
class ReplyStream {
public:
    enum class Line { Taken, TooLong, Closed };
    // How the line's end is cut off: every CR and LF at its end (the HTTP and
    // mail clients), or its LF and one CR before it (the FTP client).
    enum class Ends { All, One };

    ReplyStream(QByteArray bytes, qsizetype longest, Ends ends)
        : m_bytes(std::move(bytes)), m_longest(longest), m_ends(ends)
    {
    }

    // Looks no further than the longest line and its CR LF, as the sockets
    // do: a line still without its LF there is too long, one cut off by the
    // end of the stream was closed early.
    Line takeLine(QString& line)
    {
        const qsizetype peek = std::min(m_longest + 2, m_bytes.size() - m_at);
        const qsizetype end = m_bytes.indexOf('\n', m_at);
        if (end < 0 || end >= m_at + peek)
            return peek >= m_longest + 2 ? Line::TooLong : Line::Closed;
        QByteArray taken = m_bytes.mid(m_at, end - m_at + 1);
        m_at = end + 1;
        if (m_ends == Ends::All) {
            while (!taken.isEmpty() && (taken.endsWith('\n') || taken.endsWith('\r')))
                taken.chop(1);
        } else {
            taken.chop(1);
            if (taken.endsWith('\r'))
                taken.chop(1);
        }
        if (taken.size() > m_longest)
            return Line::TooLong;
        line = QString::fromLatin1(taken);
        return Line::Taken;
    }

    // Moves `count` bytes (-1: all up to the end) to the stream, keeping at
    // most `limit` (-1: no limit); `cut` tells whether bytes beyond the limit
    // were left. False when the stream ended before the bytes wanted.
    bool takeBytes(QIODevice& stream, qint64 count, qint64 limit, bool& cut)
    {
        const qint64 available = m_bytes.size() - m_at;
        qint64 wanted = count;
        cut = false;
        if (limit >= 0 && (count < 0 || count > limit)) {
            wanted = limit;
            cut = count >= 0 || available > limit;
        }
        if (count < 0 && !cut)
            wanted = available;
        const qint64 taken = std::min(wanted, available);
        stream.write(m_bytes.constData() + m_at, taken);
        m_at += taken;
        return taken == wanted;
    }

    qsizetype at() const { return m_at; }
    const QByteArray& bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    qsizetype m_longest;
    Ends m_ends;
    qsizetype m_at = 0;
};
