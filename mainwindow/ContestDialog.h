#pragma once

#include "contest/ChosenContest.h"
#include "formats/CabrilloRequest.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

// Setup → "Contest rules..." (the contest and its session) and the Cabrillo export's
// questions (the contest, the categories, the range), on one page each so that the
// keyboard goes through them in one go: Tab between fields, Enter for OK.
class ContestDialog : public QDialog
{
    Q_OBJECT
public:
    enum class Purpose { Rules, Cabrillo };
    // `names`: the contests vantel has rules for; `categories`: the profile's choices.
    ContestDialog(Purpose purpose, const QStringList &names, const contest::ChosenContest &current,
                  const QList<std::pair<QString, QString>> &categories, QWidget *parent = nullptr);

Q_SIGNALS:
    void chosen(const formats::CabrilloRequest &request);

private:
    void accept() override;

    Purpose m_purpose;
    QComboBox *m_contest = nullptr;
    QLineEdit *m_from = nullptr;
    QLineEdit *m_to = nullptr;
    QList<QComboBox *> m_categories;
    QLabel *m_problem = nullptr;
};
