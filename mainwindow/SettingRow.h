#pragma once

#include "storage/QsoRecord.h"

#include <QString>

class Form1;

// One settings file and everything the window does with it: start-up reads it into the
// window's value of its row (Form1::setting), and its command (if it has one) asks for a
// new value, checks it, writes the file and shows it. The table of rows is
// Form1::settingTable(); a new setting is one row.
struct SettingRow
{
    enum class Check {
        FitsField, // a value the record field can hold as it stands
        UtcOffset, // a number of hours from -24 to 24, or empty
    };
    const char *file; // its name in the working folder, written here only
    // The command: the menu it sits in (object name; nullptr for none: "deflog" is set by
    // File, Open and Create), its place among that menu's setting commands, its object
    // name and caption, and the question and title of its input box.
    const char *menu;
    int menuPlace;
    const char *command;
    const char *caption;
    const char *prompt;
    const char *title;
    Check check;
    storage::QsoRecord::Field field; // the record field a FitsField value must fit
    const char *list; // the list that shows a new value at once, or nullptr
    void (Form1::*changed)(); // what a new value changes besides, or nullptr
    // How messages name it; nullptr: "The setting "<title>"".
    const char *what;
};
