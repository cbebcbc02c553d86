#include "mainwindow/AdifImport.h"
#include "mainwindow/Form1.h"

#include <algorithm>

// File → "Import ADIF...": the plan, the operator's word, then all or nothing. The number
// field and the exchange follow the logbook's new count, as after a save.
void Form1::mnuImportClick()
{
    if (noLogbookOpen())
        return;
    auto *import = new AdifImport(m_platform, logPath, this);
    connect(import, &AdifImport::counted, this, [this, path = logPath](qint64 records) {
        // Only the logbook the import wrote into is recounted, never another one the
        // window took into use meanwhile.
        if (path == logPath)
            takeLogbookIntoUse(path, qint16(std::min<qint64>(records, storage::MaxRecords)));
    });
    import->start();
}
