#include "country/CountryLoader.h"

#include <QThread>

namespace country {

CountryLoader::CountryLoader(QObject *parent) : QObject(parent) { }

CountryLoader::~CountryLoader()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void CountryLoader::start(const QStringList &folders)
{
    if (m_thread)
        return;
    // The result comes back as a queued call on this object: if the loader is gone by
    // then, Qt drops the call with it.
    m_thread = QThread::create([this, folders] {
        CountryData data = loadCountryData(folders);
        QMetaObject::invokeMethod(
                this,
                [this, data = std::move(data)]() mutable {
                    m_data = std::move(data);
                    m_loaded = true;
                    Q_EMIT loaded();
                },
                Qt::QueuedConnection);
    });
    m_thread->start();
}

} // namespace country
