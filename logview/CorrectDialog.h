#pragma once

#include "platform/Platform.h"
#include "storage/LogbookSession.h"
#include "storage/QsoRecord.h"

#include <QDialog>

#include <array>

class QLineEdit;

// Corrects one saved contact: its nine fields in record order, the number read-only
// (numbers are serials already sent over the air), the call sign ready to be typed
// over. OK writes the correction through the session's journal; it is refused when the
// contact on disk is no longer the one shown.
class CorrectDialog : public QDialog
{
    Q_OBJECT
public:
    CorrectDialog(Platform &platform, const storage::LogbookSession &session, qint64 number,
                  const storage::QsoRecord &shown, QWidget *parent = nullptr);

    QLineEdit *field(storage::QsoRecord::Field field) const { return m_fields[field]; }
    // The record OK would write: the shown bytes with each edited field fitted anew.
    storage::QsoRecord corrected() const;

public Q_SLOTS:
    void accept() override;

private:
    Platform &m_platform;
    const storage::LogbookSession &m_session;
    qint64 m_number;
    storage::QsoRecord m_shown;
    std::array<QLineEdit *, storage::QsoRecord::FieldCount> m_fields {};
    std::array<QString, storage::QsoRecord::FieldCount> m_initial;
};
