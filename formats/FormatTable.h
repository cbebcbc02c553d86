#pragma once

#include "formats/Format.h"

#include <QStringView>

#include <memory>
#include <span>

namespace formats {

// One line of the table of formats: everything the command line, the menus and the
// file dialogs need to offer a format.
struct FormatEntry
{
    enum Takes : unsigned {
        Call = 1, // the station's call sign, required
        Contest = 2, // a contest name, optional
        Title = 4, // a title line, optional
    };
    const char *name; // command-line name
    const char *description; // for people: "ADIF 3.1 (.adi)"
    const char *extension; // without the dot
    unsigned takes; // Takes flags
    std::unique_ptr<Format> (*make)(const Options &options);
    // The entry window's Tools command that exports to it (object name, caption with its
    // access key), or nullptr where the window offers none.
    const char *command = nullptr;
    const char *caption = nullptr;
};

// Every format, in the order they are offered. A new format is one more line here.
std::span<const FormatEntry> formatTable();
const FormatEntry *findFormat(QStringView name);
// The conversion window's printable listing.
const FormatEntry &listingFormat();

} // namespace formats
