#include "ui/TPadExportFrm.h"

#include "pad/PadText.h"
#include "records/UserPrompts.h"
#include "records/ZentrelError.h"
#include "ui/InputRules.h"
#include "ui/TPadCheckFrm.h"
#include "workflow/PadExporter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

const QString TypePath = PadMapping::path("Program_Info/Program_Type");
const QString ReleasePath = PadMapping::path("Program_Info/Program_Release_Status");
const QString OsPath = PadMapping::path("Program_Info/Program_OS_Support");
const QString LanguagePath = PadMapping::path("Program_Info/Program_Language");
const QString CategoryPath = PadMapping::path("Program_Info/Program_Category_Class");
const QString KeywordsPath = PadMapping::path("Program_Descriptions/English/Keywords");
const QString DescriptionPath = PadMapping::path("Program_Descriptions/English/Char_Desc_");
const QString PadUrlPath = PadMapping::path("Web_Info/Application_URLs/Application_XML_File_URL");
const QString OrderUrlPath = PadMapping::path("Web_Info/Application_URLs/Application_Order_URL");
const QString AuthorFirstPath = PadMapping::path("Company_Info/Contact_Info/Author_First_Name");
const QString AuthorLastPath = PadMapping::path("Company_Info/Contact_Info/Author_Last_Name");
const QString ChangesPath = PadMapping::path("Program_Info/Program_Change_Info");

constexpr int OsColumns = 4;
// The system a check box stands for: a desktop may add an accelerator to its caption.
const char* const OsNameProperty = "padName";
constexpr int DescriptionLimits[] = {80, 250, 450};

// The text of a memo as typed: a no-break space stays one, the lines are joined by LF.
QString rawText(const QPlainTextEdit* memo)
{
    QString text = memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

// A single-line description: a line break that came in by pasting counts as a blank.
QString descriptionText(const QPlainTextEdit* memo)
{
    QString text = rawText(memo);
    text.replace(u'\n', u' ');
    return text;
}

// How many characters the rules count: a character outside the basic plane is one.
qsizetype characters(const QString& text)
{
    return text.toUcs4().size();
}

// Shows a value in a list that takes no typing; one outside the list shows all the same.
void showInList(QComboBox* list, const QString& value)
{
    const int at = list->findText(value, Qt::MatchExactly);
    if (at >= 0)
        list->setCurrentIndex(at);
    list->setEditText(value);
}

void refill(QComboBox* list, const QStringList& entries)
{
    const QString shown = list->currentText();
    list->clear();
    list->addItems(entries);
    showInList(list, shown);
}

QComboBox* newList(QWidget* parent, const char* name, const QString& hint)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setToolTip(hint);
    list->setMaxVisibleItems(20);
    InputRules::pickOnly(list);
    return list;
}

QLineEdit* newEdit(QWidget* parent, const char* name, const QString& hint)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setToolTip(hint);
    return edit;
}

QPlainTextEdit* newMemo(QWidget* parent, const char* name, const QString& hint, int lines)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QLatin1String(name));
    memo->setToolTip(hint);
    memo->setTabChangesFocus(true);
    const QFontMetrics metrics(memo->font());
    memo->setFixedHeight(metrics.lineSpacing() * lines + 2 * (memo->frameWidth() + 4));
    return memo;
}

// The names of a PAD operating system list that a value holds, and the parts
// of it that name none. Names stand apart by commas or blanks, and a name may
// hold blanks itself ("Win7 x64"), so the longest name that fits is taken.
std::pair<QStringList, QStringList> splitSystems(const QString& value, const QStringList& names)
{
    const auto separator = [&](qsizetype at) { return value[at] == u',' || value[at].isSpace(); };
    const auto nameAt = [&](qsizetype at) {
        QString best;
        for (const QString& name : names) {
            const qsizetype end = at + name.size();
            if (name.size() > best.size() && end <= value.size()
                && QStringView(value).mid(at, name.size()).compare(name, Qt::CaseInsensitive) == 0
                && (end == value.size() || separator(end)))
                best = name;
        }
        return best;
    };
    QStringList known;
    QStringList unknown;
    qsizetype i = 0;
    while (i < value.size()) {
        if (separator(i)) {
            ++i;
            continue;
        }
        const QString name = nameAt(i);
        if (!name.isEmpty()) {
            if (!known.contains(name))
                known << name;
            i += name.size();
            continue;
        }
        // An unknown name runs to the next comma, or to the next blank that a known name follows.
        qsizetype j = i + 1;
        while (j < value.size() && value[j] != u',' && !(value[j - 1].isSpace() && !nameAt(j).isEmpty()))
            ++j;
        const QString part = value.mid(i, j - i).trimmed();
        if (!unknown.contains(part))
            unknown << part;
        i = j;
    }
    return {known, unknown};
}

} // namespace

TPadExportFrm::TPadExportFrm(PadExporter& exporter, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_exporter(exporter), m_prompts(prompts)
{
    setObjectName(QStringLiteral("PadExportFrm"));
    setWindowTitle(QStringLiteral("Export PAD File"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    m_records = m_exporter.records();
    m_details = m_exporter.storedDetails();

    m_version = new QComboBox(this);
    m_version->setObjectName(QStringLiteral("VersionBox"));
    m_version->addItem(QStringLiteral("PAD 3.11"), int(PadVersion::V3_11));
    m_version->addItem(QStringLiteral("PAD 4.0"), int(PadVersion::V4_0));
    m_version->setCurrentIndex(1);
    m_version->setToolTip(QStringLiteral("The PAD version the file follows; PAD 3.11 allows no https:// "
                                         "addresses for the web site, the information page and the images"));

    // The program.
    auto* program = new QGroupBox(QStringLiteral("Program:"), this);
    m_programType = newList(program, "ProgramTypeBox",
                            QStringLiteral("What the program is once released; for any status but Beta it follows "
                                           "the Status on the \"General\" page"));
    // Only a beta's type is not told by its status.
    m_programType->setEnabled(m_records.value(QStringLiteral("STATUS")) == u"Beta");
    m_releaseStatus = newList(program, "ReleaseStatusBox",
                              QStringLiteral("What this version is: a new program, an update, a beta"));
    m_language = newEdit(program, "LanguageEdit",
                         QStringLiteral("The languages the program speaks, joined by commas without blanks "
                                        "(English,German)"));
    InputRules::dropTypedSpaces(m_language);
    m_category = newList(program, "CategoryBox",
                         QStringLiteral("The PAD category the program belongs to"));
    m_keywords = newEdit(program, "KeywordsEdit",
                         QStringLiteral("Words a download site's search finds the program by, joined by commas "
                                        "(at most 250 characters)"));
    m_changes = newMemo(program, "ChangesMemo",
                        QStringLiteral("What is new in this version (at most 300 characters)"), 4);
    auto* programForm = new QFormLayout(program);
    programForm->addRow(QStringLiteral("Program type (for Beta):"), m_programType);
    programForm->addRow(QStringLiteral("Release status:"), m_releaseStatus);
    programForm->addRow(QStringLiteral("Language:"), m_language);
    programForm->addRow(QStringLiteral("Category:"), m_category);
    programForm->addRow(QStringLiteral("Keywords:"), m_keywords);
    programForm->addRow(QStringLiteral("Changes in this version:"), m_changes);

    // Where the file lives, and who wrote the program.
    auto* web = new QGroupBox(QStringLiteral("Web and author:"), this);
    m_padUrl = newEdit(web, "PadUrlEdit",
                       QStringLiteral("The address the PAD file will have on your web site; download sites fetch "
                                      "it from there"));
    InputRules::dropTypedSpaces(m_padUrl);
    m_orderUrl = newEdit(web, "OrderUrlEdit", QStringLiteral("The address of the page where the program is bought"));
    InputRules::dropTypedSpaces(m_orderUrl);
    m_authorFirst = newEdit(web, "AuthorFirstEdit", QStringLiteral("The first name of the program's author"));
    m_authorLast = newEdit(web, "AuthorLastEdit", QStringLiteral("The last name of the program's author"));
    auto* webForm = new QFormLayout(web);
    webForm->addRow(QStringLiteral("PAD file URL:"), m_padUrl);
    webForm->addRow(QStringLiteral("Order URL:"), m_orderUrl);
    webForm->addRow(QStringLiteral("Author first name:"), m_authorFirst);
    webForm->addRow(QStringLiteral("Author last name:"), m_authorLast);

    // The systems the program runs on.
    auto* systems = new QGroupBox(QStringLiteral("Operating systems:"), this);
    systems->setToolTip(QStringLiteral("Tick every system the program runs on"));
    m_osPanel = new QWidget(systems);
    m_osPanel->setObjectName(QStringLiteral("OsPanel"));
    m_osGrid = new QGridLayout(m_osPanel);
    m_osGrid->setContentsMargins(0, 0, 0, 0);
    m_osGrid->setVerticalSpacing(2);
    m_unknownOs = new QLabel(systems);
    m_unknownOs->setObjectName(QStringLiteral("UnknownOsLabel"));
    m_unknownOs->setWordWrap(true);
    m_unknownOs->setToolTip(QStringLiteral("Systems this PAD version does not name are left out of the file"));
    auto* systemsLayout = new QVBoxLayout(systems);
    systemsLayout->addWidget(m_osPanel);
    systemsLayout->addWidget(m_unknownOs);

    // The descriptions, each with the count of its characters.
    auto* descriptions = new QGroupBox(QStringLiteral("Descriptions:"), this);
    auto* descriptionGrid = new QGridLayout(descriptions);
    int line = 0;
    for (const int limit : DescriptionLimits) {
        const QByteArray name = "Desc" + QByteArray::number(limit) + "Memo";
        QPlainTextEdit* field = newMemo(descriptions, name.constData(),
                                        QStringLiteral("The program described in at most %1 characters, on one line")
                                            .arg(limit),
                                        limit == 80 ? 2 : limit == 250 ? 3 : 5);
        // One line each: Enter adds no line break.
        InputRules::dropTypedCharacters(field, QStringLiteral("\r\n"));
        auto* count = new QLabel(descriptions);
        count->setObjectName(QStringLiteral("Desc%1Count").arg(limit));
        count->setToolTip(QStringLiteral("Characters used, and the most allowed"));
        count->setMinimumWidth(QFontMetrics(count->font()).horizontalAdvance(QStringLiteral("0000 / 000")));
        count->setAlignment(Qt::AlignRight | Qt::AlignTop);
        m_descriptions.append({limit, field, count});
        const Description d = m_descriptions.last();
        connect(field, &QPlainTextEdit::textChanged, this, [this, d] { countDescription(d); });
        descriptionGrid->addWidget(new QLabel(QStringLiteral("%1 character description:").arg(limit), descriptions),
                                   line, 0, Qt::AlignTop);
        descriptionGrid->addWidget(field, line, 1);
        descriptionGrid->addWidget(count, line, 2);
        ++line;
    }
    m_fill = new QPushButton(QStringLiteral("Fill from long description"), descriptions);
    m_fill->setObjectName(QStringLiteral("FillBtn"));
    m_fill->setAutoDefault(false);
    m_fill->setToolTip(QStringLiteral("Fill the three descriptions from the long description on the "
                                      "\"Description\" page, each cut at a word to fit"));
    connect(m_fill, &QPushButton::clicked, this, &TPadExportFrm::fillBtnClick);
    m_fill->setEnabled(!oneLine(m_records.value(PadRecordValues::LongDescription)).isEmpty());
    descriptionGrid->addWidget(m_fill, line, 1, Qt::AlignLeft);
    descriptionGrid->setColumnStretch(1, 1);

    const auto button = [this](const char* name, const QString& caption, const QString& hint) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        b->setToolTip(hint);
        return b;
    };
    m_check = button("CheckBtn", QStringLiteral("Check"),
                     QStringLiteral("Check the PAD file against the rules of its version without writing it"));
    m_save = button("SaveBtn", QStringLiteral("Save..."),
                    QStringLiteral("Choose a file and write the PAD file; the values edited here are kept with "
                                   "the application"));
    m_close = button("CloseBtn", QStringLiteral("Close"), QStringLiteral("Close without writing a file"));
    connect(m_check, &QPushButton::clicked, this, &TPadExportFrm::checkBtnClick);
    connect(m_save, &QPushButton::clicked, this, &TPadExportFrm::saveBtnClick);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    // What each edited path takes from the dialog.
    m_readers.insert(TypePath, [this] { return m_programType->currentText(); });
    m_readers.insert(ReleasePath, [this] { return m_releaseStatus->currentText(); });
    m_readers.insert(OsPath, [this] { return tickedOs().join(u','); });
    m_readers.insert(LanguagePath, [this] { return m_language->text(); });
    m_readers.insert(CategoryPath, [this] { return m_category->currentText(); });
    m_readers.insert(KeywordsPath, [this] { return m_keywords->text(); });
    for (const Description& d : std::as_const(m_descriptions)) {
        QPlainTextEdit* field = d.field;
        m_readers.insert(DescriptionPath + QString::number(d.limit), [field] { return descriptionText(field); });
    }
    m_readers.insert(PadUrlPath, [this] { return m_padUrl->text(); });
    m_readers.insert(OrderUrlPath, [this] { return m_orderUrl->text(); });
    m_readers.insert(AuthorFirstPath, [this] { return m_authorFirst->text(); });
    m_readers.insert(AuthorLastPath, [this] { return m_authorLast->text(); });
    m_readers.insert(ChangesPath, [this] { return rawText(m_changes); });

    // The platform and the status of the "General" page decide the systems, the
    // type and the release status the file may name; a choice here that says
    // otherwise is not written, and the user is told so.
    m_overruled = new QLabel(this);
    m_overruled->setObjectName(QStringLiteral("OverruledLabel"));
    m_overruled->setWordWrap(true);
    m_overruled->setStyleSheet(QStringLiteral("color: #a00000"));
    m_overruled->setToolTip(QStringLiteral("Change the Platform or the Status on the \"General\" page to change "
                                           "these fields"));
    m_overruled->hide();

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("PAD version:"), this));
    top->addWidget(m_version);
    top->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(program);
    left->addWidget(web);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(systems);
    right->addWidget(descriptions);
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addLayout(right, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_check);
    buttons->addWidget(m_save);
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(columns, 1);
    layout->addWidget(m_overruled);
    layout->addLayout(buttons);

    m_initial = m_exporter.values(version(), m_details, PadValues());
    m_programType->addItems(PadRules::programTypes(version()));
    m_releaseStatus->addItems(PadRules::releaseStatuses(version()));
    m_category->addItem(QString());
    m_category->addItems(PadRules::categoryClasses(version()));
    showValues(m_initial);
    connect(m_version, &QComboBox::currentIndexChanged, this, &TPadExportFrm::versionChange);
    connect(m_programType, &QComboBox::currentTextChanged, this, &TPadExportFrm::showOverruled);
    connect(m_releaseStatus, &QComboBox::currentTextChanged, this, &TPadExportFrm::showOverruled);
    showOverruled();
}

PadVersion TPadExportFrm::version() const
{
    return PadVersion(m_version->currentData().toInt());
}

void TPadExportFrm::setVersion(PadVersion version)
{
    m_version->setCurrentIndex(m_version->findData(int(version)));
}

void TPadExportFrm::showValues(const PadValues& values)
{
    showInList(m_programType, values.value(TypePath));
    showInList(m_releaseStatus, values.value(ReleasePath));
    const auto [known, unknown] = splitSystems(values.value(OsPath), PadRules::osNames(version()));
    m_unknownOsNames = unknown;
    m_osOrder = known;
    m_osAway.clear();
    buildOsBoxes(known, unknown);
    const QString language = values.value(LanguagePath);
    m_language->setText(language.isEmpty() ? QStringLiteral("English") : language);
    showInList(m_category, values.value(CategoryPath));
    m_keywords->setText(values.value(KeywordsPath));
    for (const Description& d : std::as_const(m_descriptions)) {
        d.field->setPlainText(values.value(DescriptionPath + QString::number(d.limit)));
        countDescription(d);
    }
    m_padUrl->setText(values.value(PadUrlPath));
    m_orderUrl->setText(values.value(OrderUrlPath));
    m_authorFirst->setText(values.value(AuthorFirstPath));
    m_authorLast->setText(values.value(AuthorLastPath));
    m_changes->setPlainText(values.value(ChangesPath));
    for (QLineEdit* edit : {m_language, m_keywords, m_padUrl, m_orderUrl, m_authorFirst, m_authorLast})
        edit->setCursorPosition(0);
}

void TPadExportFrm::buildOsBoxes(const QStringList& ticked, const QStringList& unknown)
{
    qDeleteAll(m_osBoxes);
    m_osBoxes.clear();
    const QStringList names = PadRules::osNames(version());
    const int rows = int((names.size() + OsColumns - 1) / OsColumns);
    for (int i = 0; i < names.size(); ++i) {
        auto* box = new QCheckBox(names[i], m_osPanel);
        box->setObjectName(QStringLiteral("Os_") + names[i]);
        box->setProperty(OsNameProperty, names[i]);
        box->setToolTip(QStringLiteral("The program runs on ") + names[i]);
        box->setChecked(ticked.contains(names[i]));
        connect(box, &QCheckBox::toggled, this, &TPadExportFrm::showOverruled);
        // Down the columns, so the list reads in its own order.
        m_osGrid->addWidget(box, i % rows, i / rows);
        m_osBoxes.append(box);
    }
    m_unknownOs->setVisible(!unknown.isEmpty());
    m_unknownOs->setText(QStringLiteral("Not named by PAD ") + PadRules::versionText(version())
                         + QStringLiteral(", left out: ") + unknown.join(QStringLiteral(", ")));
}

QStringList TPadExportFrm::tickedOs() const
{
    // The systems keep the order they were given in; newly ticked ones follow in the list's order.
    QStringList names;
    for (const QString& name : m_osOrder)
        if (const QCheckBox* box = osBox(name); box && box->isChecked())
            names << name;
    for (const QCheckBox* box : m_osBoxes) {
        const QString name = box->property(OsNameProperty).toString();
        if (box->isChecked() && !names.contains(name))
            names << name;
    }
    return names;
}

QCheckBox* TPadExportFrm::osBox(const QString& name) const
{
    for (QCheckBox* box : m_osBoxes)
        if (box->property(OsNameProperty).toString() == name)
            return box;
    return nullptr;
}

QPlainTextEdit* TPadExportFrm::descriptionField(int limit) const
{
    for (const Description& d : m_descriptions)
        if (d.limit == limit)
            return d.field;
    return nullptr;
}

QLabel* TPadExportFrm::descriptionCount(int limit) const
{
    for (const Description& d : m_descriptions)
        if (d.limit == limit)
            return d.count;
    return nullptr;
}

void TPadExportFrm::countDescription(const Description& d)
{
    const qsizetype used = characters(descriptionText(d.field));
    d.count->setText(QString::number(used) + QStringLiteral(" / ") + QString::number(d.limit));
    // Red once the text is too long for its field.
    d.count->setStyleSheet(used > d.limit ? QStringLiteral("color: #c00000; font-weight: bold") : QString());
}

void TPadExportFrm::versionChange()
{
    // A tick the new version cannot show is kept aside, and comes back with a version that names it.
    QStringList ticked;
    const QStringList shown = tickedOs();
    for (const QString& name : std::as_const(m_osOrder))
        if (shown.contains(name) || m_osAway.contains(name))
            ticked << name;
    for (const QString& name : shown)
        if (!ticked.contains(name))
            ticked << name;
    m_osOrder = ticked;
    const QStringList names = PadRules::osNames(version());
    m_osAway.clear();
    for (const QString& name : std::as_const(ticked))
        if (!names.contains(name))
            m_osAway << name;
    refill(m_programType, PadRules::programTypes(version()));
    refill(m_releaseStatus, PadRules::releaseStatuses(version()));
    refill(m_category, QStringList{QString()} + PadRules::categoryClasses(version()));
    buildOsBoxes(ticked, m_unknownOsNames + m_osAway);
    showOverruled();
}

QStringList TPadExportFrm::keptOs() const
{
    QStringList names = tickedOs();
    for (const QString& name : m_osAway + m_unknownOsNames)
        if (!names.contains(name))
            names << name;
    return names;
}

void TPadExportFrm::showOverruled()
{
    if (!m_overruled)
        return; // still being built
    const PadValues set = edits();
    PadValues written;
    try {
        written = m_exporter.values(version(), m_details, set);
    } catch (const ZentrelError&) {
        m_overruled->hide();
        return;
    }
    static const QList<std::pair<QString, QString>> fields = {
        {TypePath, QStringLiteral("Program type")},
        {ReleasePath, QStringLiteral("Release status")},
        {OsPath, QStringLiteral("Operating systems")},
    };
    QStringList names;
    for (const auto& [path, name] : fields)
        if (written.value(path) != set.value(path))
            names << name + QStringLiteral(" (written: \"") + written.value(path) + QStringLiteral("\")");
    m_overruled->setVisible(!names.isEmpty());
    m_overruled->setText(QStringLiteral("The Platform and the Status on the \"General\" page decide these fields: ")
                         + names.join(QStringLiteral("; ")));
}

PadValues TPadExportFrm::edits() const
{
    PadValues values;
    for (const QString& path : PadExporter::editedPaths()) {
        const auto reader = m_readers.constFind(path);
        values.set(path, reader != m_readers.constEnd() ? (*reader)() : m_initial.value(path));
    }
    return values;
}

QString TPadExportFrm::oneLine(const QString& recordText)
{
    QStringList lines;
    for (const QString& line : PadText::fromRecord(recordText).split(u'\n')) {
        QString text = line;
        text.remove(u'\r');
        text = text.trimmed();
        if (!text.isEmpty())
            lines << text;
    }
    return lines.join(u' ');
}

QString TPadExportFrm::cutAtBlank(const QString& text, int limit)
{
    if (characters(text) <= limit)
        return text;
    // The text comes from the records, one character per byte: a position is a character.
    const qsizetype blank = text.lastIndexOf(u' ', limit);
    // A first word longer than the field is cut where the field ends.
    const QString cut = blank > 0 ? text.left(blank) : text.left(limit);
    qsizetype end = cut.size();
    while (end > 0 && cut[end - 1] == u' ')
        --end;
    return cut.left(end);
}

void TPadExportFrm::fillBtnClick()
{
    const QString text = oneLine(m_records.value(PadRecordValues::LongDescription));
    if (text.isEmpty())
        return;
    for (const Description& d : std::as_const(m_descriptions))
        d.field->setPlainText(cutAtBlank(text, d.limit));
}

void TPadExportFrm::checkBtnClick()
{
    try {
        const PadVersion v = version();
        const QList<PadFailure> failures = PadExporter::check(m_exporter.values(v, m_details, edits()), v);
        if (failures.isEmpty()) {
            m_prompts.info(QStringLiteral("The PAD file passes every rule of PAD ") + PadRules::versionText(v)
                           + u'.');
            return;
        }
        TPadCheckFrm check(failures, v, TPadCheckFrm::Buttons::Close, this);
        check.exec();
    } catch (const ZentrelError& e) {
        m_prompts.error(e.text());
    }
}

void TPadExportFrm::saveBtnClick()
{
    const PadVersion v = version();
    // The question about failures is this window's while it saves.
    auto previous = std::exchange(m_exporter.confirmFailures, [this, v](const QList<PadFailure>& failures) {
        TPadCheckFrm check(failures, v, TPadCheckFrm::Buttons::SaveAnyway, this);
        return check.exec() == QDialog::Accepted;
    });
    const auto restore = qScopeGuard([&] { m_exporter.confirmFailures = std::move(previous); });
    bool saved = false;
    try {
        // The details keep every system chosen, those this version cannot write among them.
        PadValues kept;
        kept.set(OsPath, keptOs().join(u','));
        saved = m_exporter.save(v, m_details, edits(), kept);
    } catch (const ZentrelError& e) {
        m_prompts.error(e.text());
    }
    if (saved)
        accept();
}
