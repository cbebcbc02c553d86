#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Message box styles and answers, numbered as the classic desktop API numbers them,
// so a style reads the same here as in any description of the dialogs.
namespace MsgBox {
constexpr int OkOnly = 0;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int DefaultButton2 = 256;
constexpr int ButtonMask = 0x7;
constexpr int IconMask = 0x70;

constexpr int Ok = 1;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace MsgBox

struct FileDialogRequest
{
    QString title;
    QString filter; // "Label|pattern|Label|pattern…", the first pair selected
    QString defaultExt; // with its dot, e.g. ".log"; added to a name typed without one
    QString fileName; // the name offered, empty for none
};

// What the windows ask of the desktop. Only the Qt implementation touches the
// modal dialogs, the clipboard and the clock; tests answer from a script.
class Platform
{
public:
    virtual ~Platform() = default;
    // Returns MsgBox::Ok, Yes or No.
    virtual int messageBox(const QString &text, const QString &title, int style) = 0;
    // A failure the operator must know of: title "vantel", warning icon, OK.
    virtual void showError(const QString &text) = 0;
    // The typed text on OK, nothing on Cancel.
    virtual std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                            const QString &initial) = 0;
    // The chosen full path, nothing on Cancel. Neither dialog asks before an existing
    // file is named, and the open dialog accepts a name that does not exist.
    virtual std::optional<QString> openFile(const FileDialogRequest &request) = 0;
    virtual std::optional<QString> saveFile(const FileDialogRequest &request) = 0;
    virtual void setClipboardText(const QString &text) = 0;
    virtual QDateTime now() const = 0;
};
