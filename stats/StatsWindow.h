#pragma once

#include "contest/RuleSet.h"
#include "platform/Platform.h"
#include "stats/LogStats.h"

#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

namespace country {
class CountryLoader;
class CountryTable;
}
class BarChart;
class QLabel;
class QLineEdit;
class QPushButton;

// The statistics window: contacts per hour, by band, mode and continent, and the
// multipliers each band brought, for the whole logbook or a range of UTC dates and
// times. Not modal; it counts the logbook again whenever it is told the logbook changed.
class StatsWindow : public QWidget
{
    Q_OBJECT
public:
    explicit StatsWindow(Platform &platform, QWidget *parent = nullptr);
    ~StatsWindow() override;

    // Counts this logbook from now on, or the one it follows again.
    void followLogbook(const QString &path);
    // The contest whose multipliers are counted, and the own call its rules may ask for.
    void setRules(const contest::RuleSet &rules, const QString &myCall = QString());
    // The country file's entities, from whoever has them; the window then reads none.
    void setCountries(const country::CountryTable &table);
    // Shows the window, counting the logbook if it has not yet.
    void showAndCount();
    // Asks for a file name and writes the charts there as a PNG image.
    void saveAsPng();

    const stats::Counts &counts() const { return m_counts; }
    QWidget *charts() const { return m_charts; }

    // How the range fields read "2024-03-09 18:00": the minute named, UTC; a day alone
    // stands for its first minute in From and its last in To.
    static std::optional<QDateTime> readRangeEnd(const QString &text, bool end);

private:
    void recount();
    void showCounts();
    void startCountries();
    bool readRange(stats::Range *range);

    Platform &m_platform;
    QString m_path;
    contest::RuleSet m_rules;
    QString m_myCall;
    std::unique_ptr<country::CountryTable> m_table;
    std::unique_ptr<stats::Counter> m_counter; // made again when rules or countries change
    country::CountryLoader *m_countries = nullptr;
    bool m_countriesGiven = false;
    bool m_shown = false; // sized to the screen once
    QTimer m_recount;
    stats::Counts m_counts;
    QString m_problem;

    QLineEdit *m_from = nullptr;
    QLineEdit *m_to = nullptr;
    QPushButton *m_save = nullptr;
    QLabel *m_summary = nullptr;
    QWidget *m_charts = nullptr;
    BarChart *m_hours = nullptr;
    BarChart *m_bands = nullptr;
    BarChart *m_modes = nullptr;
    BarChart *m_continents = nullptr;
    BarChart *m_multipliers = nullptr;
};
