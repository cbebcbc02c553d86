#pragma once

#include "contest/ChosenContest.h"
#include "contest/Scorer.h"
#include "country/CountryTable.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class Form1;
class QLabel;

// The contest part of the entry window: the contest chosen under Setup → "Contest
// rules..." (kept in vantel.ini), the received exchange checked as it is typed, and a
// row under the status line with the session's contacts, points, multipliers, claimed
// score and rate, brought up to date after every save by reading only the new records.
class ContestPanel : public QObject
{
    Q_OBJECT
public:
    explicit ContestPanel(Form1 &form);
    ~ContestPanel() override;

    // Setup → "Contest rules...": asks for the contest and its session.
    void chooseRules();
    // The contest and session chosen (the Cabrillo export offers them).
    const contest::ChosenContest &chosen() const { return m_chosen; }
    // The rule files' contest names.
    QStringList contestNames() const;

Q_SIGNALS:
    // Another contest or session was chosen.
    void chosenChanged();

private:
    void useChoice(const contest::ChosenContest &chosen);
    void updateShown();
    void logbookChanged();
    void recount();
    // Scores the records from `first` on; false when the logbook could not be read.
    bool scoreFrom(qint64 first, bool tellMissing);
    void showTotals();
    void updateMark();
    // What the received report lacks of the exchange ("serial"), or empty.
    QString missingExchange(const QString &recv, const QString &mode) const;
    QDateTime logClock() const;
    bool contestMode() const;

    Form1 &m_form;
    QLabel *m_row = nullptr;
    contest::ChosenContest m_chosen;
    std::optional<contest::RuleSet> m_rules;
    std::optional<country::CountryTable> m_countries; // read on first use
    QString m_myCall;
    QString m_problem; // why there is no score, for the row
    QString m_iniProblems; // what the [contest] group held that could not be used
    std::optional<contest::Scorer> m_scorer;
    // The logbook as far as it was scored: its path, whole records, and how it looked.
    QString m_path;
    qint64 m_scored = 0;
    struct Seen
    {
        quint64 device = 0, inode = 0;
        qint64 size = -1, modifiedNs = 0;
        bool operator==(const Seen &) const = default;
    };
    Seen m_seen;
    QString m_mark; // what the received report on screen lacks
    QString m_notice; // the last contact saved without its exchange, said once
    QTimer m_minute; // the rate moves on while nobody saves
};
