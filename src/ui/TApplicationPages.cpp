#include "ui/TApplicationPages.h"

#include "records/UserPrompts.h"
#include "ui/ChooserBinding.h"
#include "ui/InputRules.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString text(const char* latin1) { return QLatin1String(latin1); }

// The lines of a multi-line field; an empty field has none.
QStringList linesOf(const QString& plain)
{
    return plain.isEmpty() ? QStringList() : plain.split(u'\n');
}

QLabel* label(const char* caption, QWidget* parent)
{
    return new QLabel(text(caption), parent);
}

} // namespace

TApplicationPages::TApplicationPages(ApplicationRecord& record, ChooserList& applications, UserPrompts& prompts,
                                     std::function<void(const std::function<void()>&)> run, QObject* parent)
    : QObject(parent), m_record(record), m_prompts(prompts), m_run(std::move(run))
{
    m_general = new QWidget;
    m_general->setObjectName(QStringLiteral("GeneralPage"));
    m_locations = new QWidget;
    m_locations->setObjectName(QStringLiteral("LocationsPage"));
    m_description = new QWidget;
    m_description->setObjectName(QStringLiteral("DescriptionPage"));

    m_appName = new QComboBox(m_general);
    m_appName->setObjectName(QStringLiteral("AppName"));
    m_appName->setToolTip(QStringLiteral("Choose the application to show; New adds one"));
    bindChooser(m_appName, applications);
    connect(m_appName, &QComboBox::activated, this, &TApplicationPages::applicationChosen);

    buildGeneral();
    buildLocations();
    buildDescription();

    // The record drives the fields: a load or a clear shows at once.
    connect(&record, &ApplicationRecord::fieldChanged, this, [this](AppField f, const QString& value) {
        if (auto* edit = lineEdit(f); edit && edit->text() != value)
            InputRules::showLoaded(edit, value);
        else if (auto* list = listBox(f); list && list->currentText() != value)
            list->setEditText(value);
    });
    connect(&record, &ApplicationRecord::longDescriptionChanged, this, [this](const QStringList& lines) {
        if (linesOf(m_longDesc->toPlainText()) != lines)
            m_longDesc->setPlainText(lines.join(u'\n'));
    });
    connect(&record, &ApplicationRecord::notesChanged, this, [this](const QStringList& lines) {
        if (linesOf(m_notes->toPlainText()) != lines)
            m_notes->setPlainText(lines.join(u'\n'));
    });
    connect(&record, &ApplicationRecord::specialRequirementsChanged, this, [this](const QString& value) {
        if (m_specReq->text() != value)
            m_specReq->setText(value);
    });
    connect(&record, &ApplicationRecord::longDateChanged, m_longDate, &QLabel::setText);
    m_specReq->setText(record.specialRequirements());
}

QLineEdit* TApplicationPages::lineEdit(AppField f) const
{
    return qobject_cast<QLineEdit*>(m_fields[size_t(f)]);
}

QComboBox* TApplicationPages::listBox(AppField f) const
{
    return qobject_cast<QComboBox*>(m_fields[size_t(f)]);
}

QLineEdit* TApplicationPages::addLine(AppField f, const char* objectName, const char* hint)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(text(objectName));
    edit->setToolTip(text(hint));
    connect(edit, &QLineEdit::textChanged, this, [this, f](const QString& value) { m_record.setField(f, value); });
    m_fields[size_t(f)] = edit;
    return edit;
}

QComboBox* TApplicationPages::addList(AppField f, const char* objectName, const QStringList& entries,
                                      const char* hint)
{
    auto* list = new QComboBox;
    list->setObjectName(text(objectName));
    list->setToolTip(text(hint));
    list->addItems(entries);
    InputRules::pickOnly(list);
    list->setEditText(QString());
    connect(list, &QComboBox::currentTextChanged, this,
            [this, f](const QString& value) { m_record.setField(f, value); });
    m_fields[size_t(f)] = list;
    return list;
}

QPlainTextEdit* TApplicationPages::addLines(const char* objectName, const char* hint)
{
    auto* edit = new QPlainTextEdit;
    edit->setObjectName(text(objectName));
    edit->setToolTip(text(hint));
    InputRules::dropTypedCharacters(edit, QStringLiteral("$"));
    return edit;
}

QWidget* TApplicationPages::browseRow(AppField f, const char* objectName, const char* hint, const QString& title,
                                      const QString& filter, const QString& defaultSuffix)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    QLineEdit* edit = addLine(f, objectName, hint);
    auto* browse = new QPushButton(QStringLiteral("..."), row);
    browse->setObjectName(text(objectName) + QStringLiteral("Browse"));
    browse->setToolTip(QStringLiteral("Choose the file"));
    browse->setFixedWidth(32);
    connect(browse, &QPushButton::clicked, this, [this, f, title, filter, defaultSuffix] {
        const QString chosen = m_prompts.openFile(title, filter, defaultSuffix);
        if (!chosen.isEmpty())
            m_record.setField(f, chosen);
    });
    layout->addWidget(edit, 1);
    layout->addWidget(browse);
    return row;
}

QWidget* TApplicationPages::buttonRow(QWidget* page)
{
    auto* row = new QWidget(page);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    const auto add = [&](const char* name, const char* caption, const char* hint, void (TApplicationPages::*signal)()) {
        auto* b = new QPushButton(text(caption), row);
        b->setObjectName(text(name));
        b->setToolTip(text(hint));
        connect(b, &QPushButton::clicked, this, signal);
        layout->addWidget(b);
    };
    add("NewAppBtn", "New", "Add an application", &TApplicationPages::newClicked);
    add("DeleteAppBtn", "Delete", "Remove the shown application from the list", &TApplicationPages::deleteClicked);
    add("SaveAppBtn", "Save Application", "Save the application and its company", &TApplicationPages::saveClicked);
    return row;
}

void TApplicationPages::buildGeneral()
{
    QWidget* page = m_general;
    auto* grid = new QGridLayout;
    // Two label-and-field pairs a row; some fields span the row.
    const auto put = [&](int r, int c, const char* caption, QWidget* field, int span = 1) {
        grid->addWidget(label(caption, page), r, c);
        grid->addWidget(field, r, c + 1, 1, span);
    };
    const auto putLayout = [&](int r, int c, const char* caption, QLayout* fields, int span = 1) {
        grid->addWidget(label(caption, page), r, c);
        grid->addLayout(fields, r, c + 1, 1, span);
    };
    const auto digits = [this](AppField f, const char* name, const char* hint, int maxLength) {
        QLineEdit* edit = addLine(f, name, hint);
        InputRules::digitsOnly(edit, maxLength, [this] { m_prompts.beep(); });
        return edit;
    };

    put(0, 0, "Application Name:", m_appName, 3);

    QLineEdit* filename = addLine(AppField::FileName, "filename", "The file name of the program archive you publish");
    InputRules::limitLength(filename, 16);
    QLineEdit* char8 = addLine(AppField::Char8, "char8name",
                               "A short name of up to 8 letters and digits; some sites name the upload "
                               "after it, followed by .zip");
    InputRules::limitLength(char8, 8);
    char8->installEventFilter(this);
    put(1, 0, "Application Filename", filename);
    put(1, 2, "8 Character Name:", char8);

    QLineEdit* version = addLine(AppField::Version, "version", "The version number, for example 2.1");
    version->setFixedWidth(110);
    QLineEdit* month = digits(AppField::Month, "month", "The month of release, 1 to 12", 2);
    QLineEdit* day = digits(AppField::Day, "day", "The day of release, 1 to 31", 2);
    QLineEdit* year = digits(AppField::Year, "year", "The year of release, two digits", 2);
    for (QLineEdit* e : {month, day, year}) {
        e->setFixedWidth(36);
        e->installEventFilter(this);
    }
    m_longDate = new QLabel(page);
    m_longDate->setObjectName(QStringLiteral("LongDateLabel"));
    m_longDate->setToolTip(QStringLiteral("The release date as sites read it"));
    m_longDate->setMinimumWidth(m_longDate->fontMetrics().horizontalAdvance(QStringLiteral("30-Sep-1999")) + 4);
    // Version and the release date share a row, so the long date has room.
    auto* dateRow = new QHBoxLayout;
    dateRow->setSpacing(4);
    dateRow->addWidget(version);
    dateRow->addSpacing(16);
    dateRow->addWidget(label("Release Month:", page));
    dateRow->addWidget(month);
    dateRow->addWidget(label("Day", page));
    dateRow->addWidget(day);
    dateRow->addWidget(label("Year", page));
    dateRow->addWidget(year);
    dateRow->addSpacing(4);
    dateRow->addWidget(m_longDate, 1);
    putLayout(2, 0, "Version", dateRow, 3);

    put(3, 0, "Platform(s)",
        addList(AppField::Platform, "platforms", AppLists::platforms(), "The operating systems the program runs on"));
    put(3, 2, "Submitted By:",
        addList(AppField::DistStatus, "diststatus", AppLists::submitters(), "Who submits the program"));
    put(4, 0, "Status", addList(AppField::Status, "status", AppLists::statuses(), "How the program is distributed"));
    put(4, 2, "Install/Uninstall",
        addList(AppField::Installer, "installer", AppLists::installs(), "What the program's setup offers"));

    put(5, 0, "32 Bit File Size",
        digits(AppField::Size32, "bytesize32", "The archive size of the 32-bit version, in bytes", 0));
    put(5, 2, "Installed Size:",
        digits(AppField::InstSize32, "instsize32", "The installed size of the 32-bit version, in bytes", 0));
    put(6, 0, "16 Bit File Size",
        digits(AppField::Size16, "bytesize16", "The archive size of the 16-bit version, in bytes", 0));
    put(6, 2, "Installed Size:",
        digits(AppField::InstSize16, "instsize16", "The installed size of the 16-bit version, in bytes", 0));

    QLineEdit* price = addLine(AppField::Price, "price", "The registration price, without the dollar sign");
    InputRules::dropTypedCharacters(price, QStringLiteral("$"));
    put(7, 0, "Price: $", price);
    put(7, 2, "Evaluation Period",
        addLine(AppField::Eval, "eval", "How long the program may be tried, for example 30 days"));

    put(8, 0, "Expiration Date (day-month-year):",
        addLine(AppField::ExpireDate, "expiredate", "The date the trial version stops working, if any"));
    auto* daysRow = new QHBoxLayout;
    daysRow->addWidget(
        addLine(AppField::ExpireAfter, "expireafter", "How many days after installing the trial stops working"));
    daysRow->addWidget(label("Days", page));
    putLayout(8, 2, "Expires After:", daysRow);

    m_specReq = new QLineEdit(page);
    m_specReq->setObjectName(QStringLiteral("specreq"));
    m_specReq->setToolTip(QStringLiteral("What the program needs besides the operating system; not saved"));
    connect(m_specReq, &QLineEdit::textChanged, this,
            [this](const QString& value) { m_record.setSpecialRequirements(value); });
    put(9, 0, "Special Requirements:", m_specReq, 3);

    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setHorizontalSpacing(10);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addWidget(buttonRow(page));
}

void TApplicationPages::buildLocations()
{
    QWidget* page = m_locations;
    const auto url = [this](AppField f, const char* name, const char* hint) {
        QLineEdit* edit = addLine(f, name, hint);
        InputRules::dropTypedSpaces(edit);
        return edit;
    };
    const auto downloads = [&](const char* title, const std::array<AppField, 4>& fields, const char* prefix) {
        auto* group = new QGroupBox(text(title), page);
        auto* grid = new QGridLayout(group);
        for (int i = 0; i < 4; ++i) {
            const QByteArray name = QByteArray("dl") + QByteArray::number(i + 1) + prefix;
            grid->addWidget(new QLabel(QStringLiteral("URL#%1:").arg(i + 1), group), i, 0);
            grid->addWidget(url(fields[size_t(i)], name.constData(), "A full address the program can be downloaded from"), i, 1);
        }
        return group;
    };

    auto* left = new QVBoxLayout;
    auto* info = new QGridLayout;
    info->addWidget(label("Application Info URL", page), 0, 0);
    info->addWidget(url(AppField::AppUrl, "appurl", "The web page that describes the program"), 0, 1);
    left->addLayout(info);
    left->addWidget(downloads("32 Bit Download Locations:",
                              {AppField::Dl1_32, AppField::Dl2_32, AppField::Dl3_32, AppField::Dl4_32}, "_32"));
    left->addWidget(downloads("16 Bit Download Locations:",
                              {AppField::Dl1_16, AppField::Dl2_16, AppField::Dl3_16, AppField::Dl4_16}, "_16"));

    auto* right = new QVBoxLayout;
    auto* web = new QGridLayout;
    web->addWidget(label("URL Location of ScreenShot", page), 0, 0);
    web->addWidget(url(AppField::Shot, "screenshot", "The web address of a screen shot of the program"), 0, 1);
    web->addWidget(label("URL Location of .GIF Icon", page), 1, 0);
    web->addWidget(url(AppField::Gif, "URLGifEdit", "The web address of the program's icon as a GIF picture"), 1, 1);
    web->addWidget(label("URL Location of .ICO Icon", page), 2, 0);
    web->addWidget(url(AppField::Ico, "URLIcoEdit", "The web address of the program's icon as an ICO file"), 2, 1);
    web->addWidget(label("Full Local Path to File Archive", page), 3, 0, 1, 2);
    web->addWidget(browseRow(AppField::Path, "localpath", "The program archive on this computer that FTP uploads send",
                             QStringLiteral("Select your program"),
                             QStringLiteral("Programs (*.ZIP *.EXE *.zip *.exe)"), QStringLiteral("EXE")),
                   4, 0, 1, 2);
    right->addLayout(web);

    auto* attachments = new QGroupBox(QStringLiteral("Local Paths to E-Mail Attachments:"), page);
    auto* grid = new QGridLayout(attachments);
    grid->addWidget(label(".Ico Icon:", attachments), 0, 0);
    grid->addWidget(browseRow(AppField::IcoPath, "IcoFileEdit", "The icon file attached to e-mail submissions",
                              QStringLiteral("Select Icon File"), QStringLiteral("Icons (*.ICO *.ico)"),
                              QStringLiteral("ICO")), 0, 1);
    grid->addWidget(label("Gif Icon:", attachments), 1, 0);
    grid->addWidget(browseRow(AppField::GifPath, "GifFileEdit", "The GIF icon attached to e-mail submissions",
                              QStringLiteral("Select Gif File"), QStringLiteral("Gifs (*.GIF *.gif)"),
                              QStringLiteral("GIF")), 1, 1);
    grid->addWidget(label("Screen Shot:", attachments), 2, 0);
    grid->addWidget(browseRow(AppField::ScreenPath, "ScreenShotEdit", "The screen shot attached to e-mail submissions",
                              QStringLiteral("Select File"), QStringLiteral("ScreenShots (*)"), QString()), 2, 1);
    grid->addWidget(label("Other File:", attachments), 3, 0);
    grid->addWidget(browseRow(AppField::OtherPath, "OtherFileEdit", "Any other file to attach to e-mail submissions",
                              QStringLiteral("Select File"), QStringLiteral("Files (*)"), QString()), 3, 1);
    right->addWidget(attachments);
    right->addStretch(1);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addSpacing(10);
    columns->addLayout(right, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(columns);
    layout->addStretch(1);
    layout->addWidget(buttonRow(page));
}

void TApplicationPages::buildDescription()
{
    QWidget* page = m_description;
    QLineEdit* shortDesc = addLine(AppField::ShortDesc, "shortdesc", "A one-line description of up to 46 characters");
    InputRules::limitLength(shortDesc, 46);
    InputRules::dropTypedCharacters(shortDesc, QStringLiteral("$"));
    m_longDesc = addLines("longdesc", "The full description of the program");
    m_notes = addLines("NotesToReviewer", "Notes for the site's reviewer, not for publication");
    connect(m_longDesc, &QPlainTextEdit::textChanged, this,
            [this] { m_record.setLongDescription(linesOf(m_longDesc->toPlainText())); });
    connect(m_notes, &QPlainTextEdit::textChanged, this,
            [this] { m_record.setNotes(linesOf(m_notes->toPlainText())); });

    auto* layout = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    top->addWidget(label("Short Description:", page));
    top->addWidget(shortDesc, 1);
    layout->addLayout(top);
    layout->addWidget(label("Long Description", page));
    layout->addWidget(m_longDesc, 3);
    layout->addWidget(label("Notes to reviewer if applicable.  (Reg code offer, Version Update Changes, etc.)", page));
    layout->addWidget(m_notes, 2);
    layout->addWidget(buttonRow(page));
}

bool TApplicationPages::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Only leaving the field counts, not another window or a menu taking over.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == lineEdit(AppField::Char8)) {
                QLineEdit* field = lineEdit(AppField::Char8);
                bool accepted = true;
                m_run([&] { accepted = m_record.Check8CharName(); });
                if (!accepted)
                    QTimer::singleShot(0, field, [field] { field->setFocus(Qt::OtherFocusReason); });
            } else if (watched == lineEdit(AppField::Day) || watched == lineEdit(AppField::Month)
                       || watched == lineEdit(AppField::Year)) {
                m_record.RecomputeLongDate();
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
