#pragma once

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Cuts one fuzz input into the pieces a target needs: short texts taken from
// the front, the rest left as it is. Running out gives empty pieces, never a fault.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_data(reinterpret_cast<const char*>(data)), m_size(size) {}

    // A byte, 0 when none is left.
    uint8_t byte()
    {
        if (m_at >= m_size)
            return 0;
        return uint8_t(m_data[m_at++]);
    }

    // Up to `maxLength` bytes, the length given by the next byte.
    QByteArray bytes(size_t maxLength)
    {
        const size_t length = std::min<size_t>(byte() % (maxLength + 1), m_size - m_at);
        const QByteArray taken(m_data + m_at, qsizetype(length));
        m_at += length;
        return taken;
    }

    // A name of letters and digits only (at least one), made from the next bytes.
    QString name(size_t maxLength)
    {
        static const char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        QString text;
        for (const char c : bytes(maxLength))
            text += QLatin1Char(Letters[uint8_t(c) % (sizeof(Letters) - 1)]);
        return text.isEmpty() ? QStringLiteral("A") : text;
    }

    QByteArray rest()
    {
        const QByteArray taken(m_data + m_at, qsizetype(m_size - m_at));
        m_at = m_size;
        return taken;
    }

private:
    const char* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// Ends the run with the broken invariant; the fuzzer keeps the input as a crasher.
#define FUZZ_CHECK(condition)                                                                            \
    do {                                                                                                 \
        if (!(condition)) {                                                                              \
            fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition);            \
            abort();                                                                                     \
        }                                                                                                \
    } while (false)
