#pragma once

#include "mainwindow/Link.h"

namespace links {
class FldigiClient;
struct FldigiContact;
} // namespace links

// fldigi: F3 takes the contact in fldigi's log panel into the fields as if typed.
class FldigiLink : public Link
{
    Q_OBJECT
public:
    FldigiLink(Form1 &form, LinkNote &note, QObject *parent);

    // The link's block of vantel.ini.
    static constexpr const char *Group = "fldigi";
    void addSettings(links::LinkSettings &settings) const override;
    void apply(const links::LinkSettings &settings) override;
    std::unique_ptr<ConnectionRow> connectionRow(QWidget *dialog, const links::LinkSettings &settings) override;
    bool takeKey() override;
    bool takesKey() const override { return m_client != nullptr; }

private:
    void fill(const links::FldigiContact &contact);
    QStringList fieldTexts() const;

    links::FldigiClient *m_client = nullptr;
    quint64 m_request = 0; // the F3 whose answer is awaited
};
