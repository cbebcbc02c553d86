#pragma once

#include "platform/Platform.h"

// The desktop's real dialogs, clipboard and clock.
class QtPlatform : public Platform
{
public:
    int messageBox(const QString &text, const QString &title, int style) override;
    void showError(const QString &text) override;
    std::optional<QString> inputBox(const QString &prompt, const QString &title,
                                    const QString &initial) override;
    std::optional<QString> openFile(const FileDialogRequest &request) override;
    std::optional<QString> saveFile(const FileDialogRequest &request) override;
    void setClipboardText(const QString &text) override;
    QDateTime now() const override;

    // "Log(*.log)|*.log|…" as the dialog's name filters ("Log(*.log) (*.log)", …).
    static QStringList nameFilters(const QString &filter);
};
