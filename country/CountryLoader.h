#pragma once

#include "country/CountryFiles.h"

#include <QObject>

class QThread;

namespace country {

// Loads the country data on a thread of its own, so start-up never waits for it;
// `loaded` comes on the loader's thread when the data is there.
class CountryLoader : public QObject
{
    Q_OBJECT

public:
    explicit CountryLoader(QObject *parent = nullptr);
    // Waits for a load still running (tens of milliseconds at most).
    ~CountryLoader() override;

    void start(const QStringList &folders = countryFolders());
    bool isLoaded() const { return m_loaded; }
    const CountryData &data() const { return m_data; }

Q_SIGNALS:
    void loaded();

private:
    QThread *m_thread = nullptr;
    CountryData m_data;
    bool m_loaded = false;
};

} // namespace country
