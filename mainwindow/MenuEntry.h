#pragma once

#include <concepts>

class Form1;
class QAction;
class QMenu;

// What a command runs: a handler of the window, or the command itself written in its
// row (a function of the window, e.g. a lambda: a row of Form1::menuTable() sees all of
// Form1, so a new command needs no declaration in Form1.h).
class MenuHandler
{
public:
    constexpr MenuHandler(std::nullptr_t) { }
    constexpr MenuHandler(void (Form1::*member)()) : m_member(member) { }
    template<typename F>
        requires std::convertible_to<F, void (*)(Form1 &)>
    constexpr MenuHandler(F function) : m_function(function)
    {
    }
    explicit operator bool() const { return m_member || m_function; }
    void operator()(Form1 &form) const;

private:
    void (Form1::*m_member)() = nullptr;
    void (*m_function)(Form1 &) = nullptr;
};

// One entry of the window's menus. The table, Form1::menuTable(), lists them in the
// order they appear: a Menu entry opens a menu on the bar and the entries after it go
// into it, up to the next Menu or BarCommand. A command is its row and its handler.
struct MenuEntry
{
    enum class Kind {
        Menu, // a menu on the bar
        BarCommand, // a command on the bar itself: a click runs it, no menu drops down
        Command,
        Toggle, // a command with a tick, ticked at start
        OffToggle, // a command with a tick, unticked at start
        Separator,
        Settings, // the setting commands of this menu (Form1::settingTable())
        Exports, // one command for each export format the format table offers a menu
    };
    Kind kind;
    const char *name; // object name
    const char *caption; // with its access key; after a tab, a key shown but not bound
    MenuHandler handler; // nullptr: none (a toggle others read)
    QAction *Form1::*action; // the window variable that names it, or nullptr
    QMenu *Form1::*menu; // for a Menu: the window variable that names it
};
