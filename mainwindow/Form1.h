#pragma once

#include "platform/CommonDialog.h"
#include "platform/Platform.h"
#include "storage/Logbook.h"
#include "storage/LogbookSession.h"
#include "storage/QsoRecord.h"

#include <QHash>
#include <QMainWindow>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <vector>

class ContestPanel;
class EntryField;
struct SettingRow;
struct MenuEntry;
namespace formats {
struct FormatEntry;
struct Options;
}
class LogWindowLink;
class StatsWindowLink;
class LinksController;
class StationLine;
namespace storage {
class LogbookWatch;
}
class QAction;
class QComboBox;
class QLabel;
class QMenu;

// The QSO entry window: one line of a paper logbook, worked from the keyboard.
// Controls and window variables keep their designer names so that tests and
// accessibility tools find them (each control's objectName is the same).
class Form1 : public QMainWindow
{
    Q_OBJECT
    // The logbook in use, before the window variable that reads it.
    storage::LogbookSession m_session;
    // The settings' values, one for each row of settingTable() and in its order; the
    // described window variables below are names for theirs.
    std::vector<QString> m_settings = std::vector<QString>(settingTable().size());
    enum SettingName { UtcOffsetRow, BandRow, SentRow, RecvRow, DeflogRow, ModeRow };
    // What "deflog" held at start-up: the logbook taken into use then, if it can be.
    QString &m_deflog = m_settings[DeflogRow];

public:
    explicit Form1(Platform &platform, QWidget *parent = nullptr);
    ~Form1() override;

    // Saves the contact on the screen as the next record of the logbook in use.
    void sQSO();

    // Saves a contact that was not typed (from a program beside vantel) through the
    // same path as F1: the next number, the lock, the disk, never a gap. The fields
    // being typed are left alone; the number and the exchange move on. Returns the
    // number saved, or nothing after telling the operator, naming it as `what`; with
    // `whyNot` the reason goes there instead of into a box (a program beside vantel must
    // not take the keyboard from the operator).
    std::optional<qint16> saveContact(storage::QsoRecord record, const QString &what,
                                      QString *whyNot = nullptr);

    // The control that shows a record field, and its text (a list's typed text).
    QWidget *control(storage::QsoRecord::Field field) const;
    QString fieldText(storage::QsoRecord::Field field) const;
    void setFieldText(storage::QsoRecord::Field field, const QString &text);

    // Whether the call sign field shows a call already in the logbook (case ignored).
    bool callIsDuplicate() const { return m_duplicateOf > 0; }

    Platform &platform() const { return m_platform; }
    // The log window's connection to this window (the window itself is made on first use).
    LogWindowLink &logWindow() const { return *m_logWindow; }
    // The logbook this window works on; the links and the log window go through it.
    storage::LogbookSession &session() { return m_session; }
    const storage::LogbookSession &session() const { return m_session; }

    // Where the band and mode fills take their values. Without a source (or where it
    // knows nothing) they are the defaults. A source answers at once from what it
    // already knows: a fill never waits for another program.
    struct BandMode
    {
        std::optional<QString> band;
        std::optional<QString> mode;
    };
    void setBandModeSource(std::function<BandMode()> source);
    // The band and mode fill of arriving in the date/time field.
    void fillBandAndMode();

    // Takes a contact another program holds (fldigi's log panel) into the fields as the
    // operator would have typed it: an empty text keeps what its field holds, and with
    // Real Time ticked an empty date/time and empty reports get what arriving in them
    // would give. What this puts in stays through the arrival fills that follow, as long
    // as the call sign is the one it left.
    void takeAsTyped(const std::array<QString, storage::QsoRecord::FieldCount> &texts);

    // Room for the links to speak in. A note beside the hint, made on first use; and rows
    // under the status line, each shown only while its owner wants it: the window grows
    // by the rows shown and the controls above them stay where they are.
    QLabel *note(const QString &name, const QString &accessibleName);
    QLabel *addStatusRow(const QString &name, const QString &accessibleName);
    void showStatusRow(QLabel *row, bool shown);

    // What the links and tests read of the window; the controls themselves are found by
    // their object names.
    // Setup → Contest is ticked: the short layout, the exchange as the sent report.
    bool contestMode() const;
    // The exchange the next contact sends (the window variable exchangeSent).
    const QString &exchange() const { return exchangeSent; }
    // The value a setting holds now, by its file name ("band", "sent", ...: settingTable()).
    QString setting(const char *file) const;
    // Tools: the links add their commands after the window's own.
    QMenu *toolsMenu() const { return mnuTools; }

    // The About message, line breaks included.
    static QString aboutText();
    // The settings files, in the order start-up reads them (the names of settingTable()).
    static QStringList settingFiles();

protected:
    // Closing the window any way but Exit asks only when a contact would be lost with it.
    void closeEvent(QCloseEvent *event) override;

Q_SIGNALS:
    // A key the described handlers leave free (F2, F3, F8 to F11) in any field or list.
    void extraKey(int keyCode);
    // The logbook in use, its count, or its contents as far as this window knows changed.
    void logbookChanged();

private:
    // Entry fields, in record order (there is no Text6).
    EntryField *Text1 = nullptr;
    EntryField *Text2 = nullptr;
    EntryField *Text3 = nullptr;
    EntryField *Text4 = nullptr;
    EntryField *Text5 = nullptr;
    QComboBox *Combo1 = nullptr;
    QComboBox *Combo2 = nullptr;
    EntryField *Text7 = nullptr;
    EntryField *Text8 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    QLabel *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr;
    QLabel *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr, *Label12 = nullptr;

    QMenu *mnuFile = nullptr;
    QMenu *mnuSetup = nullptr;
    QMenu *mnuDefault = nullptr;
    QAction *mnuOpen = nullptr, *mnuSave = nullptr, *sap2 = nullptr, *mnuExit = nullptr;
    QAction *mnuContest = nullptr, *mnuReal = nullptr, *mnuClear = nullptr, *sep1 = nullptr;
    QAction *mnuConvert = nullptr, *mnuAbout = nullptr;
    // Commands beyond the described ones, after "&About".
    QMenu *mnuTools = nullptr;
    QAction *mnuLogWindow = nullptr;
    QAction *mnuStation = nullptr; // Setup → Station...: the profile the exports write

    CommonDialog CommonDialog1;

    // Window variables: text, empty until the load step or a command sets them.
    QString exchangeSent;
    const QString &logPath = m_session.path(); // the session's, read-only here
    QString &defSent = m_settings[SentRow];
    QString &defRecv = m_settings[RecvRow];
    QString &defBand = m_settings[BandRow];
    QString &defMode = m_settings[ModeRow];
    QString &utcOffset = m_settings[UtcOffsetRow];

    // Form1.cpp: controls and menus
    void buildControls();
    // The menus, in the order they appear (see MenuEntry).
    static std::span<const MenuEntry> menuTable();
    void buildMenus();
    EntryField *addField(const char *name, int left, int width, const char *heading,
                         QLabel *&label, const char *labelName);
    QLabel *addLabel(const char *name, const QString &text, const QRect &geometry, bool bold,
                     bool border, Qt::Alignment alignment);

    // Form1Load.cpp
    void load();
    // A logbook taken (LogbookSession::take or create) told: the count, or nothing after
    // telling the operator why not.
    std::optional<qint16> countForUse(const QString &path, const QString &purpose,
                                      const storage::Result<storage::TakenLogbook> &taken);
    void takeLogbookIntoUse(const QString &path, qint16 count);
    QString exchangeFor(qint16 nextNumber) const;
    void showLogPath();
    void undoInterruptedCorrection();
    bool m_journalRetry = false; // a look at a correction under way elsewhere is due

    // Form1Save.cpp
    enum class Saved { No, Yes, YesAndFull };
    Saved saveAsNext(storage::QsoRecord &record, const QString &notSaved, QString *whyNot = nullptr);
    void followExchange(const QString &offered);

    // Form1Keys.cpp
    void keyDown(QObject *control, int keyCode);
    void text2KeyDown(int keyCode);
    void text3KeyDown(int keyCode);
    void fieldKeyDown(EntryField *field, int keyCode);
    void checkDuplicate();
    void clearEntry();
    EntryField *ringNeighbour(EntryField *field, bool forward) const;
    void text3GotFocus(Qt::FocusReason reason);
    void text4GotFocus(Qt::FocusReason reason);
    void text5GotFocus(Qt::FocusReason reason);
    // Whether a field still holds what takeAsTyped put there for the call on screen.
    bool keepsTaken(storage::QsoRecord::Field field) const;
    // What arriving in the date/time, received or sent field puts there (Real Time).
    std::optional<QString> arrivalFill(storage::QsoRecord::Field field);
    // Before a save with Real Time ticked: the date/time and reports the duplicate check
    // brought back from the earlier contact and nobody has touched since become this
    // contact's own.
    void replaceRecalled();
    void forgetEntryState();
    std::optional<QString> dateStamp();
    // What arriving in the sent report puts there: the exchange in contest mode.
    QString sentFill() const;
    bool noLogbookOpen();
    // The live duplicate mark of the call sign field; after a change of the logbook it
    // is brought up to date once the handler that changed it has finished.
    void updateDuplicateMark();
    void scheduleDuplicateMark();
    // Colour, tooltip and description of the call field as the station line sees the call.
    void showMark();
    bool m_markPending = false;

    // Form1Logbook.cpp
    void mnuOpenClick();
    void mnuSaveClick();
    bool pathFitsSetting(const QString &path);
    bool logbookExists(const QString &path, const QString &purpose);
    // Writes "deflog", then takes the logbook into use; on failure nothing changes.
    void rememberAndUse(const QString &path, qint16 count);

    // Form1Setup.cpp
    void mnuContestClick();
    void applyMode();
    // The six settings: their files, variables and commands (mnuUTC, mnuMode, ...).
    static std::span<const SettingRow> settingTable();
    QString &setting(const SettingRow &row);
    void askSetting(const SettingRow &row);
    std::optional<QString> settingProblem(const SettingRow &row, const QString &typed) const;
    void utcOffsetChanged();
    void defSentChanged();
    void mnuStationClick();
    void mnuContestRulesClick();

    // Form1Export.cpp
    void exportLogbook(const formats::FormatEntry &format);
    void writeExport(const formats::FormatEntry &format, const QString &title,
                     const formats::Options &options, const QStringList &notes);
    std::optional<QString> askHeaderWord(const QString &prompt, const QString &title,
                                         QString &remembered, bool required);
    QString m_exportCall; // offered again in the next export

    // Form1Import.cpp
    void mnuImportClick();

    // Form1About.cpp
    void mnuAboutClick();
    void mnuExitClick();
    void mnuConvertClick();

    Platform &m_platform;
    // A stored UTC offset that is not a number is reported once, not on every key.
    bool m_badOffsetReported = false;
    // Follows the logbook file, so the duplicate mark sees what other programs add.
    storage::LogbookWatch *m_watch = nullptr;
    LogWindowLink *m_logWindow = nullptr;
    StatsWindowLink *m_stats = nullptr; // Tools → Statistics
    qint64 m_duplicateOf = 0; // record number of the earlier contact, 0 for none
    std::array<QWidget *, storage::QsoRecord::FieldCount> m_controls {};
    std::function<BandMode()> m_bandModeSource;
    // What takeAsTyped put into each field, and the call sign it left there.
    std::array<std::optional<QString>, storage::QsoRecord::FieldCount> m_taken;
    QString m_takenFor;
    // What the duplicate check brought back into each field from the earlier contact;
    // forgotten once the operator edits that field.
    std::array<std::optional<QString>, storage::QsoRecord::FieldCount> m_recalled;
    QLabel *m_note = nullptr;
    QList<QLabel *> m_statusRows; // in the order they are stacked
    // The connections to the programs beside vantel (all off unless turned on).
    LinksController *m_links = nullptr;
    // The contest chosen, the exchange check and the score and rate row.
    ContestPanel *m_contestPanel = nullptr;
    bool m_quitAsked = false; // Exit asked already; closing asks nothing more
    // Country, zones, heading and worked before of the call typed; check partial.
    StationLine *m_station = nullptr;
    // Setup → "Dupe per band and mode": Enter's duplicate is the same call on this band and mode.
    QAction *m_dupePerBandAndMode = nullptr;
};
