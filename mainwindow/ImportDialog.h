#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// File → "Import ADIF...": the plan in plain lines before anything is written. The
// confirm button is the default (Enter imports); Esc and Cancel write nothing.
class ImportDialog : public QDialog
{
    Q_OBJECT
public:
    ImportDialog(const QString &title, const QString &heading, const QStringList &lines,
        qint64 toAdd, QWidget *parent);

private:
    QLabel *m_summary = nullptr;
    QPushButton *m_import = nullptr;
};
