#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QLockFile;

class QLocalServer;
class QLocalSocket;

// One running copy per user and program folder. The first copy claims the name
// before anything else; a later copy asks it to come to the front and ends.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& programDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The name both copies meet under.
    const QString& serverName() const { return m_name; }

    // True when this copy is the first: it now owns the name. False when
    // another copy runs; that copy has then been asked to come to the front.
    // A copy still starting up answers once its window is there.
    bool claim(int timeoutMs = 3000);
    // The copy that runs is a submission from a script (claim() gave false).
    bool busyElsewhere() const { return m_busyElsewhere; }

    // For a run from a script: true when this copy now owns the folder. It then
    // answers a window that starts meanwhile that it is busy. False when
    // another copy runs; nothing is asked of it.
    bool claimForScript();

    // Asks the running copy to come to the front and waits until its window has
    // done so; false when no copy answered in time. busy is set when the copy
    // that answered is a run from a script.
    static bool requestFront(const QString& serverName, int timeoutMs, bool* busy = nullptr);

    // The window is up: requests wait until then and are answered from then on.
    void setReady();

signals:
    void bringToFrontRequested();

private:
    bool listen();
    void answer(const QPointer<QLocalSocket>& socket);

    QString m_name;
    std::unique_ptr<QLockFile> m_lock; // held while this copy runs
    QLocalServer* m_server = nullptr;
    bool m_ready = false;
    bool m_busyElsewhere = false;
    bool m_script = false;
    QList<QPointer<QLocalSocket>> m_waiting;
};
