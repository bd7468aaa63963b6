#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace standin {

class SqliteDatabase;
namespace riding {
class Random;
}

// Plays the competition-management system while the demo competition
// (demoCompetitionId) runs: on every step it rides the next starter in each
// arena (scores, or now and then a status word: "OPGIVET",
// "DISKVALIFICERET", "UDGÅET", "EJ MØDT", in jumping "DIS_EJ_MODT"), writes
// the placings of a section once it is finished, and sometimes withdraws a
// starter ("AFMELDT"), takes a late entry or moves a starter from a waiting
// list into its class. Every step that changed something is one transaction
// and records a new update number in tblOpdatering.
//
// start() steps every interval() ms and stops by itself after duration()
// ms or when nothing is left to ride, emitting finished(). Tests call step()
// directly. The changes depend only on the seed and the file's contents.
class DemoSimulator : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY(DemoSimulator)

public:
    explicit DemoSimulator(const QString &file, quint32 seed = 1, QObject *parent = nullptr);
    ~DemoSimulator() override;

    // Milliseconds between steps (default 5000).
    void setInterval(int ms);
    int interval() const { return m_timer.interval(); }
    // Milliseconds after start() when the run ends (default 30 minutes).
    void setDuration(int ms) { m_duration = ms; }
    int duration() const { return m_duration; }

    // One round of changes; what it did, one line per change. Empty when
    // nothing was left to change or the database failed (lastError()).
    QStringList step();
    int steps() const { return m_steps; }
    // True once nothing is left to ride in the competition.
    bool isDone() const { return m_done; }
    bool isRunning() const { return m_timer.isActive(); }
    QString lastError() const { return m_error; }

public slots:
    void start();
    void stop();

signals:
    void stepped(int step, const QStringList &changes);
    void finished();

private:
    bool ensureOpen();
    void tick();
    QStringList rideArenas(bool *anyLeft);
    QString withdraw();
    QString lateEntry();
    QString promoteFromWaitingList();

    QString m_file;
    std::unique_ptr<SqliteDatabase> m_db;
    std::unique_ptr<riding::Random> m_random;
    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_duration = 30 * 60 * 1000;
    int m_steps = 0;
    bool m_done = false;
    QString m_error;
};

} // namespace standin
