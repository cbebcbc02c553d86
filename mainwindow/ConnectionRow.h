#pragma once

#include "links/LinkSettings.h"

#include <QGridLayout>

#include <array>

class QObject;
class QWidget;

// One link's row in the connections window: a tick that turns it on, where its peer is
// found, and whether the peer answers right now.
class ConnectionRow
{
public:
    virtual ~ConnectionRow() = default;
    // Puts the row's widgets into the grid's columns: name, host, port, answers?
    void place(QGridLayout &grid, int row) const
    {
        int column = 0;
        for (QWidget *cell : cells())
            grid.addWidget(cell, row, column++);
    }
    // Copies what the widgets say into `into`; false (and a word in the row) where one
    // is no value.
    virtual bool read(links::LinkSettings &into) = 0;
    // Asks the peer, never waiting; what asks is a child of `probes`.
    virtual void check(QObject *probes) = 0;

protected:
    virtual std::array<QWidget *, 4> cells() const = 0;
};
