#pragma once

#include "links/LinkSettings.h"

class QGridLayout;
class QObject;

// One link's row in the connections window: a tick that turns it on, where its peer is
// found, and whether the peer answers right now.
class ConnectionRow
{
public:
    virtual ~ConnectionRow() = default;
    // Puts the row's widgets into the grid's columns: name, host, port, answers?
    virtual void place(QGridLayout &grid, int row) = 0;
    // Copies what the widgets say into `into`; false (and a word in the row) where one
    // is no value.
    virtual bool read(links::LinkSettings &into) = 0;
    // Asks the peer, never waiting; what asks is a child of `probes`.
    virtual void check(QObject *probes) = 0;
};
