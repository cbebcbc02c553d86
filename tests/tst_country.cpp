#include "TestSupport.h"
#include "country/CountryFiles.h"
#include "country/CountryLoader.h"
#include "country/Wpx.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QtTest>

#include <map>
#include <sys/stat.h>

using country::CallInfo;

namespace {

const QString debianFolder = QStringLiteral("/usr/share/hamradio-files");

// The test's own reading of cty.dat, by regular expressions: what each entry of the file
// should resolve to. Coordinates and offsets are turned to east-positive and local-minus-UTC.
struct ModelEntry
{
    QString name;
    bool isDxcc = true;
    int cq = 0;
    int itu = 0;
    QString continent;
    double lat = 0;
    double lon = 0;
    double utc = 0;
};

struct Model
{
    std::map<QString, ModelEntry> exact;
    std::map<QString, ModelEntry> prefixes;
    int entries = 0;

    static void put(std::map<QString, ModelEntry> &map, const QString &key, const ModelEntry &e)
    {
        const auto it = map.find(key);
        if (it == map.end())
            map.emplace(key, e);
        else if (!e.isDxcc && it->second.isDxcc)
            it->second = e; // a '*' entity is the more particular answer
    }

    explicit Model(const QString &text)
    {
        for (const QString &chunk : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QStringList fields = chunk.split(QLatin1Char(':'));
            if (fields.size() != 9)
                continue;
            ModelEntry base { fields[0].trimmed(), !fields[7].trimmed().startsWith(u'*'),
                              fields[1].trimmed().toInt(), fields[2].trimmed().toInt(),
                              fields[3].trimmed(), fields[4].trimmed().toDouble(),
                              -fields[5].trimmed().toDouble(), -fields[6].trimmed().toDouble() };
            for (QString token : fields[8].split(QLatin1Char(','))) {
                token = token.simplified().remove(QLatin1Char(' '));
                static const QRegularExpression call(QStringLiteral("^=?([A-Z0-9/]+)"));
                static const QRegularExpression over(QStringLiteral(
                        R"(\((\d+)\)|\[(\d+)\]|<([-.\d]+)/([-.\d]+)>|\{(\w\w)\}|~([-.\d]+)~)"));
                const auto m = call.match(token);
                if (!m.hasMatch())
                    continue;
                ModelEntry e = base;
                for (auto it = over.globalMatch(token); it.hasNext();) {
                    const auto o = it.next();
                    if (o.hasCaptured(1))
                        e.cq = o.captured(1).toInt();
                    if (o.hasCaptured(2))
                        e.itu = o.captured(2).toInt();
                    if (o.hasCaptured(3)) {
                        e.lat = o.captured(3).toDouble();
                        e.lon = -o.captured(4).toDouble();
                    }
                    if (o.hasCaptured(5))
                        e.continent = o.captured(5);
                    if (o.hasCaptured(6))
                        e.utc = -o.captured(6).toDouble();
                }
                put(token.startsWith(u'=') ? exact : prefixes, m.captured(1), e);
                ++entries;
            }
        }
    }

    // Longest prefix, with Guantanamo only for KG4 and a two-letter suffix.
    std::pair<QString, ModelEntry> longest(const QString &call) const
    {
        for (qsizetype n = call.size(); n > 0; --n) {
            const auto it = prefixes.find(call.left(n));
            static const QRegularExpression twoLetters(QStringLiteral("^KG4[A-Z]{2}$"));
            if (it != prefixes.end() && !(it->first == u"KG4" && !twoLetters.match(call).hasMatch()))
                return *it;
        }
        return {};
    }
};

QString differs(const CallInfo &info, const ModelEntry &e, const QString &matchedBy)
{
    const auto &x = info.entity;
    const bool same = info.status == CallInfo::Status::Found && x.name == e.name
            && x.isDxcc == e.isDxcc && x.cqZone == e.cq && x.ituZone == e.itu
            && x.continent == e.continent && qAbs(x.latitude - e.lat) < 1e-4
            && qAbs(x.longitude - e.lon) < 1e-4 && qAbs(x.utcOffsetHours - e.utc) < 1e-4
            && info.matchedBy == matchedBy;
    if (same)
        return {};
    return QStringLiteral("got %1 %2 %3 %4 %5/%6 %7 by %8; want %9 %10 %11 %12 %13/%14 %15 by %16")
            .arg(x.name).arg(x.cqZone).arg(x.ituZone).arg(x.continent).arg(x.latitude)
            .arg(x.longitude).arg(x.utcOffsetHours).arg(info.matchedBy)
            .arg(e.name).arg(e.cq).arg(e.itu).arg(e.continent).arg(e.lat).arg(e.lon).arg(e.utc)
            .arg(matchedBy);
}

void writeText(const QString &path, const QByteArray &text)
{
    QVERIFY(ts::writeFile(path, text));
}

} // namespace

class TstCountry : public QObject
{
    Q_OBJECT

private:
    country::CountryData m_debian;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(debianFolder + QStringLiteral("/cty.dat")), "scripts/deps.sh installs hamradio-files");
        m_debian = country::loadCountryData({ debianFolder });
        QVERIFY2(m_debian.problems.isEmpty(), qPrintable(m_debian.problems.value(0).reason));
    }

    // Every entry of the real file, exact call or prefix, resolves to its entity with
    // its overrides; then the same calls portable, at sea, abroad and in another area.
    void everyEntryOfTheFile()
    {
        const Model model(QString::fromLatin1(ts::readFile(debianFolder + QStringLiteral("/cty.dat"))));
        QVERIFY(model.exact.size() > 15000 && model.prefixes.size() > 5000);
        QCOMPARE(qsizetype(m_debian.table.exactCalls().size()), qsizetype(model.exact.size()));
        QCOMPARE(qsizetype(m_debian.table.prefixes().size()), qsizetype(model.prefixes.size()));
        const auto &table = m_debian.table;
        QStringList wrong;
        const auto check = [&](const QString &call, const std::pair<QString, ModelEntry> &want,
                               bool exact) {
            const QString why = differs(table.lookup(call), want.second,
                                        exact ? u'=' + want.first : want.first);
            if (!why.isEmpty())
                wrong.append(call + QStringLiteral(": ") + why);
        };
        for (const auto &[call, entry] : model.exact)
            check(call, { call, entry }, true);
        for (const auto &[prefix, entry] : model.prefixes)
            if (!model.exact.count(prefix) && prefix != u"KG4")
                check(prefix, { prefix, entry }, false);

        // Location prefixes: those that say where without being a suffix word.
        std::vector<std::pair<QString, ModelEntry>> locations;
        static const QRegularExpression plausible(QStringLiteral("^([A-Z0-9]*[0-9][A-Z0-9]*|[A-Z]{1,2})$"));
        for (const auto &entry : model.prefixes)
            if (!model.exact.count(entry.first) && plausible.match(entry.first).hasMatch()
                && !QStringList { "A", "B", "E", "J", "M", "P", "R", "AE", "AG", "LH", "MM", "AM" }.contains(entry.first))
                locations.push_back(entry);
        QRandomGenerator random(22);
        static const QRegularExpression areaCall(QStringLiteral("^([A-Z]{1,2})([0-9])([A-Z]+)$"));
        int cases = 0;
        for (const auto &[call, entry] : model.exact) {
            if (call.contains(u'/'))
                continue;
            const auto plain = std::pair { call, entry };
            for (const char *suffix : { "/P", "/QRP", "/M" })
                if (!model.exact.count(call + QLatin1String(suffix)))
                    check(call + QLatin1String(suffix), plain, true);
            if (!model.exact.count(call + QStringLiteral("/MM"))
                && table.lookup(call + QStringLiteral("/MM")).status != CallInfo::Status::MaritimeMobile)
                wrong.append(call + QStringLiteral("/MM: not maritime mobile"));
            const auto &where = locations[random.bounded(quint32(locations.size()))];
            if (where.first.size() < call.size()) {
                if (!model.exact.count(where.first + QLatin1Char('/') + call))
                    check(where.first + QLatin1Char('/') + call, where, false);
                if (!model.exact.count(call + QLatin1Char('/') + where.first))
                    check(call + QLatin1Char('/') + where.first, where, false);
            }
            const auto m = areaCall.match(call);
            if (m.hasMatch()) {
                const QString digit = QString::number(random.bounded(10));
                const QString moved = m.captured(1) + digit + m.captured(3);
                if (!model.exact.count(call + QLatin1Char('/') + digit) && model.longest(moved).first.size())
                    check(call + QLatin1Char('/') + digit, model.longest(moved), false);
            }
            cases += 6;
        }
        QVERIFY(cases > 50000);
        QVERIFY2(wrong.isEmpty(), qPrintable(QStringLiteral("%1 wrong, e.g.\n").arg(wrong.size())
                                             + wrong.mid(0, 15).join(u'\n')));
    }

    // What operators report as wrong in other loggers, as this file has it.
    void awkwardCalls_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("name"); // or the status
        QTest::addColumn<int>("dxcc");
        QTest::addColumn<QString>("dxccName");
        QTest::newRow("3Y0J Bouvet") << "3Y0J" << "Bouvet" << 24 << "Bouvet";
        QTest::newRow("3Y0X Peter 1") << "3Y0X" << "Peter 1 Island" << 199 << "Peter 1 Island";
        QTest::newRow("3Y0K unlisted: 3Y") << "3Y0K" << "Antarctica" << 13 << "Antarctica";
        QTest::newRow("KG4 two letters") << "KG4XX" << "Guantanamo Bay" << 105 << "Guantanamo Bay";
        QTest::newRow("KG4 three letters") << "KG4ABC" << "United States of America" << 291 << "United States of America";
        QTest::newRow("KG4 one letter") << "kg4a" << "United States of America" << 291 << "United States of America";
        QTest::newRow("KG4 as location") << "DL1ABC/KG4" << "Guantanamo Bay" << 105 << "Guantanamo Bay";
        QTest::newRow("KG4 listed, portable") << "KG4AC/P" << "Guantanamo Bay" << 105 << "Guantanamo Bay";
        QTest::newRow("VK9X") << "VK9XY" << "Christmas Island" << 35 << "Christmas Island";
        QTest::newRow("VK9L") << "VK9LA" << "Lord Howe Island" << 147 << "Lord Howe Island";
        QTest::newRow("VK9 other") << "VK9QQ" << "Norfolk Island" << 189 << "Norfolk Island";
        QTest::newRow("prefix before") << "KH6/W1AW" << "Hawaii" << 110 << "Hawaii";
        QTest::newRow("prefix after") << "W1AW/KH6" << "Hawaii" << 110 << "Hawaii";
        QTest::newRow("equal lengths, before") << "VP2E/W1AW" << "Anguilla" << 12 << "Anguilla";
        QTest::newRow("equal lengths, after") << "W1AW/VP2E/QRP" << "Anguilla" << 12 << "Anguilla";
        QTest::newRow("area digit") << "UA1ABC/9" << "Asiatic Russia" << 15 << "Asiatic Russia";
        QTest::newRow("area digit, same entity") << "W1AW/4" << "United States of America" << 291 << "United States of America";
        QTest::newRow("MM as prefix") << "MM/W1AW" << "Scotland" << 279 << "Scotland";
        QTest::newRow("maritime") << "W1AW/MM" << "MaritimeMobile" << 0 << "";
        QTest::newRow("aeronautical") << "DL1ABC/AM" << "AeronauticalMobile" << 0 << "";
        QTest::newRow("word suffix") << "DL1ABC/SOTA" << "Fed. Rep. of Germany" << 230 << "Fed. Rep. of Germany";
        QTest::newRow("not DXCC") << "TA1ABC" << "European Turkey" << 390 << "Asiatic Turkey";
        QTest::newRow("exact in both") << "4U1VIC" << "Vienna Intl Ctr" << 206 << "Austria";
        QTest::newRow("no call") << "DL1 ABC" << "Unknown" << 0 << "";
        QTest::newRow("empty") << "" << "Unknown" << 0 << "";
    }
    void awkwardCalls()
    {
        QFETCH(QString, call);
        QFETCH(QString, name);
        QFETCH(int, dxcc);
        QFETCH(QString, dxccName);
        const CallInfo info = m_debian.table.lookup(call);
        static const char *const statuses[] = { "Found", "MaritimeMobile", "AeronauticalMobile", "Unknown" };
        QCOMPARE(info.status == CallInfo::Status::Found ? info.entity.name
                                                         : QLatin1String(statuses[int(info.status)]),
                 name);
        QCOMPARE(info.entity.dxcc, dxcc);
        QCOMPARE(info.entity.dxccName, dxccName);
    }

    void wpx_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("prefix");
        for (const auto &[call, prefix] : std::initializer_list<std::pair<const char *, const char *>> {
                     { "W1AW", "W1" }, { "N8BJQ/KH9", "KH9" }, { "KH9/N8BJQ", "KH9" },
                     { "PA/N8BJQ", "PA0" }, { "F/W1AW", "F0" }, { "XEFTJW", "XE0" },
                     { "LY1000A", "LY1000" }, { "HG19ABC", "HG19" }, { "W1AW/4", "W4" },
                     { "UA1ABC/9", "UA9" }, { "W1AW/MM", "W1" }, { "W1AW/P", "W1" },
                     { "OE2ABC/QRP", "OE2" }, { "3DA0BP", "3DA0" }, { "2E0ABC", "2E0" },
                     { "9A1ABC", "9A1" }, { "W1AW/VP2E", "VP2" }, { "dl1abc", "DL1" },
                     { "DL1 ABC", "" } })
            QTest::newRow(call) << QString::fromLatin1(call) << QString::fromLatin1(prefix);
    }
    void wpx()
    {
        QFETCH(QString, call);
        QFETCH(QString, prefix);
        QCOMPARE(country::wpxPrefix(call), prefix);
    }

    // Check partial on the real MASTER.SCP against a plain filter of its lines.
    void knownCallsAgainstTheFile()
    {
        QStringList lines = QString::fromLatin1(ts::readFile(debianFolder + QStringLiteral("/MASTER.SCP")))
                                    .split(u'\n', Qt::SkipEmptyParts);
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const QString &l) { return l.startsWith(u'#'); }),
                    lines.end());
        lines.sort();
        lines.removeDuplicates();
        const auto &calls = m_debian.calls;
        QCOMPARE(calls.size(), lines.size());
        QCOMPARE(calls.release(), QStringLiteral("2023.05.02.00"));
        QRandomGenerator random(85);
        for (int i = 0; i < 60; ++i) {
            const QString &line = lines[random.bounded(int(lines.size()))];
            const int length = 2 + random.bounded(3);
            const QString typed = line.mid(random.bounded(int(qMax<qsizetype>(1, line.size() - length + 1))), length);
            QStringList want;
            for (const QString &l : lines)
                if (l.contains(typed))
                    want.append(l);
            const auto got = calls.containing(i % 2 ? typed.toLower() : typed, 20);
            QCOMPARE(got.calls, want.mid(0, 20));
            QCOMPARE(got.more, want.size() > 20);
            QVERIFY(calls.contains(line.toLower()));
            QCOMPARE(calls.contains(line + QStringLiteral("Q")), lines.contains(line + QStringLiteral("Q")));
        }
        QVERIFY(calls.containing(u"D", 20).calls.isEmpty());
        QVERIFY(calls.containing(u"D\nL", 20).calls.isEmpty());
    }

    // An operator's newer files win; what is broken, missing or hostile is told, once,
    // and the next copy is used.
    void filesAndPrecedence()
    {
        QTemporaryDir dir;
        const QString mine = dir.filePath(QStringLiteral("mine"));
        const QString other = dir.filePath(QStringLiteral("other"));
        QVERIFY(QDir().mkpath(mine) && QDir().mkpath(other));
        for (const char *name : { "cty.dat", "cty.csv", "MASTER.SCP" })
            QVERIFY(QFile::copy(debianFolder + QLatin1Char('/') + QLatin1String(name), other + QLatin1Char('/') + QLatin1String(name)));

        // No data folder known: the working folder is not taken for it.
        writeText(dir.filePath(QStringLiteral("cty.dat")), "broken");
        QVERIFY(QDir::setCurrent(dir.path()));
        QCOMPARE(country::loadCountryData({ QString(), other }).problems.size(), 0);

        // Overrides this release of the file does not use; west-positive in the file.
        writeText(mine + QStringLiteral("/cty.dat"),
                  "Bouvet:  38:  67:  AF:  -54.42:   -3.38:   -1.0:  3Y/b:\n"
                  "    =3Y0K,=3Y0Z<-54.5/-3.5>{AN}~-2.5~(39)[68],=VER20250101;\n"
                  "Sov Mil Order of Malta:   15:  28:  EU:   41.90:   -12.43:    -1.0:  1A:\n    1A;\n");
        writeText(mine + QStringLiteral("/MASTER.SCP"), "# Release 2025.01.01\nzz9zz\nAA1AB\nZZ9ZZ\n\nAB1CD\nAA1A\n");
        auto data = country::loadCountryData({ mine, other });
        QVERIFY(data.problems.isEmpty());
        QCOMPARE(data.ctyPath, mine + QStringLiteral("/cty.dat"));
        QCOMPARE(data.ctyRelease, QDate(2025, 1, 1));
        QCOMPARE(data.csvPath, other + QStringLiteral("/cty.csv"));
        QCOMPARE(data.describe(), QStringLiteral("cty.dat 2025-01-01 (%1/cty.dat), MASTER.SCP 2025.01.01 (%1/MASTER.SCP)").arg(mine));
        QCOMPARE(data.table.lookup(u"3Y0K").entity.dxcc, 24);
        const auto alone = country::loadCountryData({ mine });
        QCOMPARE(alone.problems.size(), 1);
        QCOMPARE(alone.problems[0].reason, QStringLiteral("not found in %1: no DXCC numbers").arg(mine));
        QCOMPARE(alone.table.lookup(u"3Y0K").entity.dxcc, 0);
        const auto z = data.table.lookup(u"3Y0Z").entity;
        QCOMPARE(z.continent, QStringLiteral("AN"));
        QCOMPARE((QList<double> { z.latitude, z.longitude, z.utcOffsetHours, double(z.cqZone), double(z.ituZone) }),
                 (QList<double> { -54.5, 3.5, 2.5, 39, 68 }));
        QCOMPARE(data.calls.containing(u"a", 5).calls, QStringList {});
        QCOMPARE(data.calls.containing(u"Z9", 5).calls, QStringList { "ZZ9ZZ" });
        QCOMPARE(data.calls.containing(u"a1", 2).calls, (QStringList { "AA1A", "AA1AB" }));
        QCOMPARE(data.calls.containing(u"a1", 2).more, false);
        QCOMPARE(data.calls.containing(u"A1", 1).more, true);

        // Broken: the next folder's copy, and the line that is wrong.
        writeText(mine + QStringLiteral("/cty.dat"), "Bouvet:  38:  67:  AF:  -54.42:   -3.38:   -1.0:  3Y/b:\n    =3Y0K(99);\n");
        writeText(mine + QStringLiteral("/MASTER.SCP"), "DL1ABC\nnot a call\n");
        data = country::loadCountryData({ mine, other });
        QCOMPARE(data.ctyPath, other + QStringLiteral("/cty.dat"));
        QCOMPARE(data.scpPath, other + QStringLiteral("/MASTER.SCP"));
        QCOMPARE(data.problems.size(), 2);
        QCOMPARE(data.problems[0].path, mine + QStringLiteral("/cty.dat"));
        QCOMPARE(data.problems[0].reason, QStringLiteral("line 2: an override is out of range"));
        QCOMPARE(data.problems[1].reason, QStringLiteral("line 2: not a call"));

        // A FIFO is not waited on; a 4 GB file is not read; nothing at all is told once each.
        QVERIFY(QFile::remove(mine + QStringLiteral("/cty.dat")) && QFile::remove(mine + QStringLiteral("/MASTER.SCP")));
        QCOMPARE(::mkfifo(QFile::encodeName(mine + QStringLiteral("/cty.dat")).constData(), 0600), 0);
        QFile huge(mine + QStringLiteral("/MASTER.SCP"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(4) << 30));
        huge.close();
        data = country::loadCountryData({ mine });
        QCOMPARE(data.problems.size(), 2);
        QVERIFY(data.table.isEmpty() && data.calls.size() == 0);
        QVERIFY(data.problems[1].reason.startsWith(u"larger than 16 MB"));
        QCOMPARE(data.table.lookup(u"DL1ABC").status, CallInfo::Status::Unknown);
        data = country::loadCountryData({ dir.filePath(QStringLiteral("none")) });
        QCOMPARE(data.problems.size(), 2);
        QCOMPARE(data.describe(), QStringLiteral("no country file, no list of known calls"));
    }

    // Off the start-up path: the data arrives by signal; a loader dropped while it
    // works takes its result with it.
    void loaderOnItsOwnThread()
    {
        auto *dropped = new country::CountryLoader;
        dropped->start({ debianFolder });
        delete dropped;
        country::CountryLoader loader;
        QSignalSpy spy(&loader, &country::CountryLoader::loaded);
        loader.start({ debianFolder });
        QVERIFY(!loader.isLoaded());
        QVERIFY(spy.wait(20000));
        QCOMPARE(loader.data().describe(), m_debian.describe());
        QCOMPARE(loader.data().table.lookup(u"KH6/W1AW").entity.name, QStringLiteral("Hawaii"));
    }

    // Files that are not a country file are refused with a reason, never half taken in.
    void brokenCtyDat_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray("\n \n") << "no entities in the file";
        QTest::newRow("seven fields") << QByteArray("A: 1: 1: EU: 1: 1: 1\n  A;") << "line 1: an entity line does not have eight fields";
        QTest::newRow("no end") << QByteArray("A: 1: 1: EU: 1: 1: 1: A:\n  A,\nB: 1: 1: EU: 1: 1: 1: B:\n B;") << "line 1: no ';' ends the entity's list";
        QTest::newRow("zone 41") << QByteArray("A: 41: 1: EU: 1: 1: 1: A:\n  A;") << "line 1: an entity line has a field out of range";
        QTest::newRow("continent") << QByteArray("A: 1: 1: XX: 1: 1: 1: A:\n  A;") << "line 1: an entity line has a field out of range";
        QTest::newRow("NaN") << QByteArray("A: 1: 1: EU: nan: 1: 1: A:\n  A;") << "line 1: an entity line has a field out of range";
        QTest::newRow("lower case") << QByteArray("A: 1: 1: EU: 1: 1: 1: A:\n  a;") << "line 2: an entry is not a call or prefix";
        // Each entity line searched to the end of the file would take minutes.
        QTest::newRow("one long line") << QByteArray("A: 1: 1: EU: 1: 1: 1: A: A;").repeated(300000)
                                       << "line 1: more entities than any country file has";
        QTest::newRow("open override") << QByteArray("A: 1: 1: EU: 1: 1: 1: A:\n  A(1;") << "line 2: an entry has an override that is not closed";
    }
    void brokenCtyDat()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);
        const auto table = country::CountryTable::fromCtyDat(text, QStringLiteral("x"));
        QVERIFY(!table.ok());
        QCOMPARE(table.error().reason, reason);
    }
};

QTEST_GUILESS_MAIN(TstCountry)
#include "tst_country.moc"
