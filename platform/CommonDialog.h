#pragma once

#include "platform/Platform.h"

#include <QString>

#include <optional>

// One window's file dialog object: its filter and extension are set once, and it
// offers the name chosen last whenever it is shown again.
class CommonDialog
{
public:
    CommonDialog(QString filter, QString defaultExt);

    void setFilter(const QString &filter) { m_filter = filter; }
    void setDefaultExt(const QString &ext) { m_defaultExt = ext; }
    const QString &fileName() const { return m_fileName; }

    std::optional<QString> showOpen(Platform &platform, const QString &title);
    std::optional<QString> showSave(Platform &platform, const QString &title);

private:
    FileDialogRequest request(const QString &title) const;
    std::optional<QString> remember(std::optional<QString> chosen);

    QString m_filter;
    QString m_defaultExt;
    QString m_fileName;
};
