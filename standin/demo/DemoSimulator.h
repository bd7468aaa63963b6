#pragma once

#include <QElapsedTimer>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace standin {

class SqliteDatabase;
namespace riding {
class Random;
struct Section;
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
// A show never runs dry: once every section of an arena is through, the
// arena starts a new round with its section that finished longest ago. That
// section loses its results, placings and statuses, and the late entries and
// waiting-list starters it took in this run, whose waiting list gets them
// back; then it is ridden again. So every discipline keeps changing for as
// long as the simulator runs.
//
// start() steps every interval() ms until stop(), or until duration() ms
// have passed when a duration is set, emitting finished(). Tests call step()
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
    // Milliseconds after start() when the run ends; 0 (the default) runs
    // until stop().
    void setDuration(int ms) { m_duration = ms; }
    int duration() const { return m_duration; }

    // One round of changes; what it did, one line per change. Empty when
    // nothing was left to change or the database failed (lastError()).
    QStringList step();
    int steps() const { return m_steps; }
    // True when the competition has no section that the simulator rides.
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
    bool newRound(const riding::Section &section);

    QString m_file;
    std::unique_ptr<SqliteDatabase> m_db;
    std::unique_ptr<riding::Random> m_random;
    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_duration = 0;
    // The highest ids when this run opened the file: anything above was
    // added by the run, and a new round of its section takes it out again.
    int m_baseStartId = 0;
    int m_baseAnmeldelseId = 0;
    QMap<int, int> m_rounds; // arena -> sections restarted so far
    int m_steps = 0;
    bool m_done = false;
    QString m_error;
};

} // namespace standin
