#pragma once

#include "formats/Station.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

// Setup → "Station...": the operator's own call, operator, name, locator and Cabrillo
// categories, which both exports write. OK takes only values the exports can write.
class StationDialog : public QDialog
{
    Q_OBJECT
public:
    explicit StationDialog(const formats::Station &station, QWidget *parent = nullptr);

Q_SIGNALS:
    void stationChosen(const formats::Station &station);

private:
    void accept() override;

    QLineEdit *m_call = nullptr;
    QLineEdit *m_operator = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_grid = nullptr;
    QList<QComboBox *> m_categories;
    QLabel *m_problem = nullptr;
};
