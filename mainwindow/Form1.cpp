#include "mainwindow/Form1.h"

#include "mainwindow/AppIcon.h"
#include "mainwindow/ContestPanel.h"
#include "mainwindow/EntryField.h"
#include "mainwindow/LogWindowLink.h"
#include "mainwindow/StatsWindowLink.h"
#include "mainwindow/LinksController.h"
#include "mainwindow/MenuEntry.h"
#include "mainwindow/SettingRow.h"
#include "mainwindow/StationLine.h"
#include "formats/FormatTable.h"
#include "platform/FieldRules.h"
#include "platform/Keys.h"
#include "platform/Twips.h"
#include "storage/LogbookWatch.h"
#include "storage/RecordFields.h"

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>

#include <algorithm>
#include <vector>

namespace {

constexpr int kFieldTop = 240;
constexpr int kHeadingHeight = 255;
constexpr int kTextHeight = 285;
constexpr int kComboHeight = 315;
constexpr int kStatusTop = 600;
constexpr int kClientWidth = 9480;
constexpr int kClientHeight = 960;
// The status rows, below everything the window always shows.
constexpr int kStatusRowsTop = 900;
constexpr int kStatusRowHeight = 330;

} // namespace

Form1::Form1(Platform &platform, QWidget *parent)
    : QMainWindow(parent),
      CommonDialog1(QStringLiteral("Log(*.log)|*.log|Text(*.txt)|*.txt|All files(*.*)|*.*"),
                    QStringLiteral(".log")),
      m_platform(platform)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("vantel"));
    setWindowIcon(appIcon());
    m_watch = new storage::LogbookWatch(this);
    buildControls();
    buildMenus();
    // The client area is fixed; no control moves or grows with the window.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    load();
    m_logWindow = new LogWindowLink(*this);
    m_stats = new StatsWindowLink(*this);
    m_links = new LinksController(*this);
    m_contestPanel = new ContestPanel(*this);
    m_station = new StationLine(*this);
    connect(m_station, &StationLine::markChanged, this, &Form1::showMark);
    // A contact before the chosen contest's session is no dupe in it.
    const auto session = [this] {
        const contest::ChosenContest &chosen = m_contestPanel->chosen();
        m_station->setContestSession(chosen.name.isEmpty() ? QDateTime() : chosen.from,
                                     chosen.name.isEmpty() ? QDateTime() : chosen.to);
    };
    connect(m_contestPanel, &ContestPanel::chosenChanged, this, session);
    session();
}

Form1::~Form1() = default;

QLabel *Form1::addLabel(const char *name, const QString &text, const QRect &geometry, bool bold,
                        bool border, Qt::Alignment alignment)
{
    auto *label = new QLabel(text, centralWidget());
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    label->setAlignment(alignment | Qt::AlignVCenter);
    if (border)
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
    QFont font = label->font();
    font.setBold(bold);
    label->setFont(font);
    return label;
}

EntryField *Form1::addField(const char *name, int left, int width, const char *heading,
                            QLabel *&label, const char *labelName)
{
    const QString headingText = QLatin1String(heading);
    label = addLabel(labelName, headingText, twipsRect(left, 0, width, kHeadingHeight), true, true,
                     Qt::AlignHCenter);
    auto *field = new EntryField(centralWidget());
    field->setObjectName(QLatin1String(name));
    field->setGeometry(twipsRect(left, kFieldTop, width, kTextHeight));
    field->setAccessibleName(headingText);
    return field;
}

void Form1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips(kClientWidth), twips(kClientHeight));
    setCentralWidget(client);
    QFont font = this->font();
    font.setPixelSize(WindowFontPixels);
    setFont(font);

    Text1 = addField("Text1", 0, 495, "No.", Label1, "Label1");
    Text2 = addField("Text2", 480, 1335, "Call", Label2, "Label2");
    Text3 = addField("Text3", 1800, 1455, "Date/Time (F5)", Label3, "Label3");
    Text4 = addField("Text4", 3240, 975, "Recv (F6)", Label4, "Label4");
    Text5 = addField("Text5", 4200, 975, "Sent (F7)", Label5, "Label5");
    Text7 = addField("Text7", 6600, 1215, "Name", Label9, "Label9");
    Text8 = addField("Text8", 7800, 1455, "QTH", Label10, "Label10");

    const auto addCombo = [&](const char *name, int left, int width, const char *heading,
                              QLabel *&label, const char *labelName, const char *text) {
        label = addLabel(labelName, QLatin1String(heading), twipsRect(left, 0, width, kHeadingHeight),
                         true, true, Qt::AlignHCenter);
        auto *combo = new QComboBox(client);
        combo->setObjectName(QLatin1String(name));
        combo->setEditable(true);
        // Typed bands and modes are saved as typed: they never join the list, are never
        // completed to a list item ("1" is no "14") and never take an item's letter case.
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setCompleter(nullptr);
        combo->setDuplicatesEnabled(true);
        combo->setGeometry(twipsRect(left, kFieldTop, width, kComboHeight));
        combo->setEditText(QLatin1String(text));
        combo->setAccessibleName(QLatin1String(heading));
        return combo;
    };
    Combo1 = addCombo("Combo1", 5160, 615, "Band", Label6, "Label6", "14");
    Combo2 = addCombo("Combo2", 5760, 855, "Mode", Label12, "Label12", "PSK31");

    Label7 = addLabel("Label7", QString(), twipsRect(480, kStatusTop, 1335, kHeadingHeight), true,
                      true, Qt::AlignHCenter);
    Label8 = addLabel("Label8", QString(), twipsRect(1920, kStatusTop, 3135, kHeadingHeight), false,
                      false, Qt::AlignLeft);
    Label11 = addLabel("Label11", QStringLiteral("F1 to save this QSO!"),
                       twipsRect(5400, kStatusTop, 2055, kHeadingHeight), true, true,
                       Qt::AlignLeft);

    // Tab order: the call sign first, the number and the lists last.
    QWidget::setTabOrder(Text2, Text3);
    QWidget::setTabOrder(Text3, Text4);
    QWidget::setTabOrder(Text4, Text5);
    QWidget::setTabOrder(Text5, Text7);
    QWidget::setTabOrder(Text7, Text8);
    QWidget::setTabOrder(Text8, Text1);
    QWidget::setTabOrder(Text1, Combo1);
    QWidget::setTabOrder(Combo1, Combo2);
    Text2->setFocus(Qt::OtherFocusReason);

    auto *filter = new KeyDownFilter(
            [this](QObject *control, int keyCode) { keyDown(control, keyCode); }, this);
    for (QObject *control : std::initializer_list<QObject *> {
                 Text1, Text2, Text3, Text4, Text5, Text7, Text8, Combo1, Combo2 })
        control->installEventFilter(filter);

    for (const storage::RecordField &f : storage::RecordFields) {
        QWidget *widget = client->findChild<QWidget *>(QLatin1String(f.control));
        m_controls[f.field] = widget;
        auto *combo = qobject_cast<QComboBox *>(widget);
        applyFieldRules(combo ? combo->lineEdit() : static_cast<QLineEdit *>(widget), f.field);
    }

    // An edit makes a field the operator's, whatever the duplicate check brought back.
    const auto ownedOnEdit = [this](EntryField *field, storage::QsoRecord::Field recordField) {
        connect(field, &QLineEdit::textEdited, this, [this, recordField] { m_recalled[recordField].reset(); });
    };
    ownedOnEdit(Text3, storage::QsoRecord::DateTime);
    ownedOnEdit(Text4, storage::QsoRecord::Recv);
    ownedOnEdit(Text5, storage::QsoRecord::Sent);

    connect(Text3, &EntryField::gotFocus, this, &Form1::text3GotFocus);
    connect(Text4, &EntryField::gotFocus, this, &Form1::text4GotFocus);
    connect(Text5, &EntryField::gotFocus, this, &Form1::text5GotFocus);
    // The duplicate mark follows every change of the call, typed or filled, and every
    // change of the logbook, ours or another program's.
    connect(Text2, &QLineEdit::textChanged, this, &Form1::updateDuplicateMark);
    connect(this, &Form1::logbookChanged, this, &Form1::scheduleDuplicateMark);
    connect(m_watch, &storage::LogbookWatch::changed, this, &Form1::undoInterruptedCorrection);
    connect(m_watch, &storage::LogbookWatch::changed, this, &Form1::logbookChanged);
}

QLabel *Form1::note(const QString &name, const QString &accessibleName)
{
    if (!m_note) {
        m_note = new QLabel(centralWidget());
        m_note->setObjectName(name);
        m_note->setGeometry(twipsRect(7560, kStatusTop, 1875, kHeadingHeight));
        m_note->setAccessibleName(accessibleName);
        m_note->show();
    }
    return m_note;
}

QLabel *Form1::addStatusRow(const QString &name, const QString &accessibleName)
{
    auto *row = new QLabel(centralWidget());
    row->setObjectName(name);
    row->setAccessibleName(accessibleName);
    row->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    row->hide();
    m_statusRows << row;
    return row;
}

void Form1::showStatusRow(QLabel *row, bool shown)
{
    if (shown == row->isVisibleTo(centralWidget()))
        return;
    row->setVisible(shown);
    if (!shown)
        row->clear();
    // The rows shown stack in their order; the window grows by them, nothing above moves.
    int top = kStatusRowsTop;
    for (QLabel *each : std::as_const(m_statusRows)) {
        if (!each->isVisibleTo(centralWidget()))
            continue;
        each->setGeometry(twipsRect(480, top, kClientWidth - 600, kHeadingHeight));
        top += kStatusRowHeight;
    }
    centralWidget()->setFixedSize(twips(kClientWidth),
                                  twips(kClientHeight + top - kStatusRowsTop));
}

QWidget *Form1::control(storage::QsoRecord::Field field) const
{
    return m_controls[field];
}

QString Form1::fieldText(storage::QsoRecord::Field field) const
{
    QWidget *widget = control(field);
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->currentText();
    return static_cast<QLineEdit *>(widget)->text();
}

void Form1::setFieldText(storage::QsoRecord::Field field, const QString &text)
{
    QWidget *widget = control(field);
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        combo->setEditText(text);
    else
        static_cast<QLineEdit *>(widget)->setText(text);
}

void MenuHandler::operator()(Form1 &form) const
{
    if (m_member)
        (form.*m_member)();
    else if (m_function)
        m_function(form);
}

std::span<const MenuEntry> Form1::menuTable()
{
    using K = MenuEntry::Kind;
    static const MenuEntry entries[] = {
        { K::Menu, "mnuFile", "&File", nullptr, nullptr, &Form1::mnuFile },
        { K::Command, "mnuOpen", "&Open an existing log...", &Form1::mnuOpenClick, &Form1::mnuOpen, nullptr },
        { K::Command, "mnuSave", "&Create a logbook...", &Form1::mnuSaveClick, &Form1::mnuSave, nullptr },
        { K::Command, "mnuImport", "&Import ADIF...", &Form1::mnuImportClick, nullptr, nullptr },
        { K::Separator, "sap2", nullptr, nullptr, &Form1::sap2, nullptr },
        { K::Command, "mnuExit", "E&xit", &Form1::mnuExitClick, &Form1::mnuExit, nullptr },

        { K::Menu, "mnuSetup", "&Setup", nullptr, nullptr, &Form1::mnuSetup },
        { K::Toggle, "mnuContest", "Contest", &Form1::mnuContestClick, &Form1::mnuContest, nullptr },
        { K::Toggle, "mnuReal", "&Real Time", nullptr, &Form1::mnuReal, nullptr },
        { K::Toggle, "mnuClear", "Clear after saving", nullptr, &Form1::mnuClear, nullptr },
        { K::Separator, "sep1", nullptr, nullptr, &Form1::sep1, nullptr },
        { K::Settings, nullptr, nullptr, nullptr, nullptr, nullptr },
        { K::Command, "mnuStation", "&Station...", &Form1::mnuStationClick, &Form1::mnuStation, nullptr },
        { K::Command, "mnuContestRules", "Con&test rules...", &Form1::mnuContestRulesClick, nullptr, nullptr },
        // Unticked at every start: Enter then checks as it always has.
        { K::OffToggle, "mnuDupeBand", "Dupe per band and mode", nullptr, &Form1::m_dupePerBandAndMode, nullptr },

        { K::Menu, "mnuDefault", "&Default...", nullptr, nullptr, &Form1::mnuDefault },
        { K::Settings, nullptr, nullptr, nullptr, nullptr, nullptr },

        { K::BarCommand, "mnuConvert", "&Conversion...", &Form1::mnuConvertClick, &Form1::mnuConvert, nullptr },
        { K::BarCommand, "mnuAbout", "&About", &Form1::mnuAboutClick, &Form1::mnuAbout, nullptr },

        // Commands beyond the described ones. The text after a tab shows the key without
        // binding it: a shortcut would take the key away from the fields.
        { K::Menu, "mnuTools", "&Tools", nullptr, nullptr, &Form1::mnuTools },
        { K::Command, "mnuLogWindow", "&Log window\tF2", [](Form1 &f) { f.m_logWindow->show(); },
          &Form1::mnuLogWindow, nullptr },
        { K::Command, "mnuStatistics", "&Statistics", [](Form1 &f) { f.m_stats->show(); }, nullptr,
          nullptr },
        { K::Exports, nullptr, nullptr, nullptr, nullptr, nullptr },
        // The links add theirs after these.
    };
    return entries;
}

void Form1::buildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *menu = nullptr;
    const auto command = [&](QAction *action, const char *name, MenuHandler handler) {
        action->setObjectName(QLatin1String(name));
        if (handler)
            connect(action, &QAction::triggered, this, [this, handler] { handler(*this); });
        return action;
    };
    for (const MenuEntry &entry : menuTable()) {
        QAction *action = nullptr;
        switch (entry.kind) {
        case MenuEntry::Kind::Menu:
            menu = bar->addMenu(QLatin1String(entry.caption));
            menu->setObjectName(QLatin1String(entry.name));
            this->*entry.menu = menu;
            break;
        case MenuEntry::Kind::BarCommand:
            menu = nullptr;
            action = command(bar->addAction(QLatin1String(entry.caption)), entry.name, entry.handler);
            break;
        case MenuEntry::Kind::Command:
            action = command(menu->addAction(QLatin1String(entry.caption)), entry.name, entry.handler);
            break;
        case MenuEntry::Kind::Toggle:
        case MenuEntry::Kind::OffToggle:
            action = command(menu->addAction(QLatin1String(entry.caption)), entry.name, entry.handler);
            action->setCheckable(true);
            action->setChecked(entry.kind == MenuEntry::Kind::Toggle);
            break;
        case MenuEntry::Kind::Separator:
            action = command(menu->addSeparator(), entry.name, nullptr);
            break;
        case MenuEntry::Kind::Settings: {
            std::vector<const SettingRow *> rows;
            for (const SettingRow &row : settingTable()) {
                if (row.menu && menu->objectName() == QLatin1String(row.menu))
                    rows.push_back(&row);
            }
            std::sort(rows.begin(), rows.end(), [](const SettingRow *a, const SettingRow *b) {
                return a->menuPlace < b->menuPlace;
            });
            for (const SettingRow *row : rows)
                connect(command(menu->addAction(QLatin1String(row->caption)), row->command, nullptr),
                        &QAction::triggered, this, [this, row] { askSetting(*row); });
            break;
        }
        case MenuEntry::Kind::Exports:
            for (const formats::FormatEntry &format : formats::formatTable()) {
                if (format.command)
                    connect(command(menu->addAction(QLatin1String(format.caption)), format.command, nullptr),
                            &QAction::triggered, this, [this, &format] { exportLogbook(format); });
            }
            break;
        }
        if (action && entry.action)
            this->*entry.action = action;
    }
}
