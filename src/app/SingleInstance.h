#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running copy per user and program folder: a second copy tells the first
// to come to the front and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& programDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The name both copies meet under.
    const QString& serverName() const { return m_name; }

    // True when another copy is running; it has then been asked to come to the front.
    bool handOverToRunningCopy(int timeoutMs = 1000) const;
    // Starts listening for later copies; false when the name cannot be taken.
    bool listen();

signals:
    void bringToFrontRequested();

private:
    QString m_name;
    QLocalServer* m_server = nullptr;
};
