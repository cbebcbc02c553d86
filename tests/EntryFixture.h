#pragma once

#include "FakePlatform.h"
#include "Form1Ui.h"
#include "TestSupport.h"
#include "mainwindow/EntryField.h"
#include "mainwindow/Form1.h"

#include <QApplication>
#include <QTest>

#include <memory>

// A working folder with a logbook of `records` records as the default, the given
// settings, and a shown, active Form1 on top.
struct EntryFixture
{
    explicit EntryFixture(int records, const QByteArray &sent = "599", const QByteArray &recv = "599",
                          const QByteArray &band = "14", const QByteArray &mode = "PSK31")
    {
        log = dir.path(QStringLiteral("test.log"));
        ts::writeFile(log, ts::records(records));
        ts::writeFile(QStringLiteral("deflog"), ts::setting(log.toLocal8Bit()));
        ts::writeFile(QStringLiteral("sent"), ts::setting(sent));
        ts::writeFile(QStringLiteral("recv"), ts::setting(recv));
        ts::writeFile(QStringLiteral("band"), ts::setting(band));
        ts::writeFile(QStringLiteral("mode"), ts::setting(mode));
    }

    Form1 &open()
    {
        form = std::make_unique<Form1>(platform);
        form->show();
        QApplication::setActiveWindow(form.get());
        if (!QTest::qWaitForWindowActive(form.get()))
            qWarning("window did not become active");
        return *form;
    }

    QByteArray logBytes() const { return ts::readFile(log); }
    static QWidget *focus() { return QApplication::focusWidget(); }

    ts::WorkDir dir;
    QString log;
    FakePlatform platform;
    std::unique_ptr<Form1> form;
};
