#pragma once

#include "formats/Contact.h"
#include "formats/Format.h"

namespace formats {

// A format that writes what it understood of each record (ADIF, Cabrillo), not its bytes:
// every record is read into a Contact, and one that cannot be written is skipped whole.
class ContactFormat : public Format
{
public:
    void survey(const char *records, qint64 count, qint64 firstNumber) override;
    void write(QByteArray &out, const char *records, qint64 count, qint64 firstNumber,
               Report &report) override;

protected:
    // Only contacts from `from` to `to` are surveyed and written (see Options).
    void setRange(const QDateTime &from, const QDateTime &to);
    // A first look at each contact that is not skipped for its own fields, before any
    // contact is written.
    virtual void surveyContact(const Contact &contact);
    // Whether the format writes the name and QTH (and so tells how it changed them).
    virtual bool writesNameAndQth() const { return true; }
    // The contact's output, or nothing with `why` set when it must be skipped.
    virtual QByteArray contactLine(const Contact &contact, QString *why) const = 0;

private:
    bool inRange(const Contact &contact) const;
    QDateTime m_from, m_to;
};

} // namespace formats
