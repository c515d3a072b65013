#pragma once

// What the benchmarks comparing against a peer tool share: memory figures of
// the running benchmark, large input files made without a memory peak of their
// own, and a main that runs either the benchmarks or the one-off "--check".
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QString>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>

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

// The largest growth of resident memory over the pieces of work measured.
// Without a resettable peak it is the growth over the whole run.
class PeakGrowth {
public:
    PeakGrowth() : m_resettable(resetPeak()) {}
    // Before a piece of work.
    void start()
    {
        if (m_resettable)
            resetPeak();
        m_before = statusKiB("VmRSS");
    }
    // After it.
    void stop() { m_largestKiB = std::max(m_largestKiB, statusKiB("VmHWM") - m_before); }
    qint64 largestKiB() const { return m_largestKiB; }
    bool resettable() const { return m_resettable; }

private:
    bool m_resettable;
    qint64 m_before = 0;
    qint64 m_largestKiB = 0;
};

// "--check" runs the one-off check and returns its result; anything else runs the benchmarks.
inline int benchmarkMain(int argc, char** argv, int (*check)())
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--check") == 0)
        return check();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
