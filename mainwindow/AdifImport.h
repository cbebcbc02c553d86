#pragma once

#include "import/Import.h"

#include <QObject>
#include <QString>

class Platform;
class QWidget;

// File → "Import ADIF...": asks for the file, takes the logbook into use as every writer
// does, shows the plan and, once the operator confirms, appends it all or nothing
// (importer::commit). Refuses, with nothing written, a file that is no ADIF and a logbook
// that cannot be used now. Lives until the summary is answered, then deletes itself.
class AdifImport : public QObject
{
    Q_OBJECT
public:
    AdifImport(Platform &platform, const QString &logbook, QWidget *window);

    // Asks for the file and shows the summary; returns before the operator answers it.
    void start();

Q_SIGNALS:
    // The logbook's whole records, counted anew: after an import, or after taking the
    // logbook into use undid one that was cut short.
    void counted(qint64 records);

private:
    bool takeLogbook();
    void confirmed();
    void refuse(const QString &what, const QString &path, const QString &reason);

    Platform &m_platform;
    QString m_logbook;
    QWidget *m_window;
    importer::Plan m_plan;
};
