#include "platform/CommonDialog.h"

CommonDialog::CommonDialog(QString filter, QString defaultExt)
    : m_filter(std::move(filter)), m_defaultExt(std::move(defaultExt))
{
}

FileDialogRequest CommonDialog::request(const QString &title) const
{
    return FileDialogRequest { title, m_filter, m_defaultExt, m_fileName };
}

std::optional<QString> CommonDialog::remember(std::optional<QString> chosen)
{
    if (chosen && !chosen->isEmpty())
        m_fileName = *chosen;
    else
        chosen.reset();
    return chosen;
}

std::optional<QString> CommonDialog::showOpen(Platform &platform, const QString &title)
{
    return remember(platform.openFile(request(title)));
}

std::optional<QString> CommonDialog::showSave(Platform &platform, const QString &title)
{
    return remember(platform.saveFile(request(title)));
}
