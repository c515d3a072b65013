#pragma once

// Memory figures of the running benchmark, and large input files made without
// a memory peak of their own.
#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

// The resident memory ("VmRSS") or its peak ("VmHWM") in KiB.
inline qint64 statusKiB(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(QByteArray(field + ':')))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Lowers the recorded peak to what is resident now, so the next peak belongs
// to what runs after.
inline bool resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

// Random bytes from the seed, written in pieces.
inline bool writeRandomFile(const QString& path, qint64 size, quint32 seed)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator random(seed);
    QByteArray piece(1024 * 1024, '\0');
    for (qint64 written = 0; written < size; written += piece.size()) {
        random.fillRange(reinterpret_cast<quint32*>(piece.data()), piece.size() / qsizetype(sizeof(quint32)));
        if (file.write(piece) != piece.size())
            return false;
    }
    return file.flush();
}
