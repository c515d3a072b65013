#include "submit/ApplicationSiteList.h"

#include "engines/CategoryLine.h"
#include "engines/SiteCatalogue.h"
#include "engines/TEngBuild.h"
#include "records/ApplicationRecord.h"
#include "records/Clock.h"
#include "records/Collation.h"
#include "records/FileStore.h"
#include "records/ListFile.h"
#include "records/ProgramSettings.h"
#include "records/TGWide.h"
#include "records/TIniFile.h"
#include "records/UserPrompts.h"
#include "records/WorkspacePath.h"
#include "records/ZentrelError.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

#include <algorithm>

namespace {

const QChar Separator(0xB1);
const QString Yes = QStringLiteral("Y");
const QString No = QStringLiteral("N");
const QString New = QStringLiteral("New");
const QString Update = QStringLiteral("Update");
const QString NotApplicable = QStringLiteral("N/A");
const QString NotSet = QStringLiteral("NOT SET!");
const QString Unknown = QStringLiteral("Unknown");

QString key(const char* name) { return QLatin1String(name); }
QString flag(bool on) { return on ? Yes : No; }

QString today()
{
    return QLocale::system().toString(Clock::now().date(), QLocale::ShortFormat);
}

} // namespace

ApplicationSiteList::ApplicationSiteList(ApplicationRecord& application, ProgramSettings& settings,
                                         UserPrompts& prompts, QObject* parent)
    : QAbstractTableModel(parent), m_application(application), m_settings(settings), m_prompts(prompts)
{
}

void ApplicationSiteList::setWorkspace(TGWide* workspace, TEngBuild* engine)
{
    m_workspace = workspace;
    m_engine = engine;
}

QString ApplicationSiteList::fileName(const QString& dataDir, const QString& appName)
{
    return WorkspacePath::file(dataDir, appName, QStringLiteral("_SITES.dat"));
}

int ApplicationSiteList::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ApplicationSiteList::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ApplicationSiteList::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size() || role != Qt::DisplayRole)
        return {};
    const SiteListRow& r = m_rows.at(index.row());
    switch (index.column()) {
    case Site: return r.site;
    case Type: return r.type;
    case Submit: return r.submit;
    case Category1: return r.category1;
    case Category2: return r.category2;
    case H: return r.http;
    case F: return r.ftp;
    case Z: return r.zip;
    case E: return r.email;
    case LastPost: return r.lastPost;
    case P: return r.post;
    }
    return {};
}

QVariant ApplicationSiteList::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const Captions[ColumnCount] = {"Site", "Type", "Submit", "Category1", "Category2",
                                                      "H", "F", "Z", "E", "Last Post", "P"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QLatin1String(Captions[section]);
    return {};
}

void ApplicationSiteList::setChanged(bool changed)
{
    if (m_changed == changed)
        return;
    m_changed = changed;
    emit changedMarkChanged(changed);
}

void ApplicationSiteList::setCurrentRow(int row)
{
    if (row < -1 || row >= m_rows.size())
        row = -1;
    if (row == m_current)
        return;
    m_current = row;
    emit currentRowChanged(row);
}

void ApplicationSiteList::Load(const QString& appName)
{
    QList<SiteListRow> rows;
    QStringList oversized;
    if (m_workspace && m_engine) {
        const QString sitesDir = m_workspace->SitesDir();
        for (const QString& site : m_engine->catalogue().combined()) {
            if (!SiteCatalogue::isUsableName(site))
                continue;
            QFile ini(sitesDir + site + QStringLiteral(".ini"));
            if (!ini.open(QIODevice::ReadOnly))
                continue; // a site without its definition gets no row
            if (ini.size() > FileLimits::Profile) {
                oversized << ini.fileName();
                continue;
            }
            const IniSection s = IniDocument::sectionOf(ini.readAll(), QStringLiteral("SETTINGS"));
            const int system = s.ReadInteger(key("SITE_SYSTEM"), 3);
            SiteListRow row;
            row.site = site;
            row.type = (s.ReadInteger(key("SITE_TYPE"), 2) == 1 ? QStringLiteral("Free") : QStringLiteral("All"))
                + (system == 1 ? QStringLiteral(" 32") : system == 2 ? QStringLiteral(" 16") : QStringLiteral(" 16-32"));
            row.submit = New;
            row.category1 = s.ReadBool(key("USE_CAT1"), false) ? NotSet : NotApplicable;
            row.category2 = s.ReadBool(key("USE_CAT2"), false) ? NotSet : NotApplicable;
            row.http = flag(s.ReadBool(key("USE_HTTP_POST"), false));
            row.ftp = flag(s.ReadBool(key("USE_FTP_UPLOAD"), false));
            row.zip = flag(s.ReadBool(key("USE_ZIP_FILE"), false));
            row.email = flag(s.ReadBool(key("USE_EMAIL"), false));
            row.lastPost = Unknown;
            row.post = Yes;
            rows.append(std::move(row));
        }
    }
    // The rows come in the catalogue's order; names that differ only in case
    // follow each other in the case-sensitive order.
    for (qsizetype start = 0; start < rows.size();) {
        qsizetype end = start + 1;
        // Names equal but for case (the cheap test stands in for the collation's own).
        while (end < rows.size() && rows.at(start).site.compare(rows.at(end).site, Qt::CaseInsensitive) == 0)
            ++end;
        if (end - start > 1)
            std::stable_sort(rows.begin() + start, rows.begin() + end, [](const SiteListRow& a, const SiteListRow& b) {
                return collatesBeforeCaseSensitive(a.site, b.site);
            });
        start = end;
    }

    if (m_workspace && WorkspacePath::isSafeName(appName)) {
        if (const auto lines = ListFile::loadIfExists(fileName(m_workspace->DataDir(), appName))) {
            QHash<QString, QList<int>> bySite;
            for (int i = 0; i < rows.size(); ++i)
                bySite[rows.at(i).site].append(i);
            for (const QString& line : *lines) {
                const QStringList fields = line.split(Separator);
                const auto field = [&](int n) { return fields.value(n - 1); };
                for (int i : bySite.value(field(1))) {
                    SiteListRow& row = rows[i];
                    row.submit = field(2);
                    if (row.category1 != NotApplicable && field(3) != NotApplicable)
                        row.category1 = field(3);
                    if (row.category2 != NotApplicable && field(4) != NotApplicable)
                        row.category2 = field(4);
                    row.lastPost = field(5);
                    row.post = field(6);
                }
            }
        }
    }

    beginResetModel();
    m_rows = std::move(rows);
    m_current = -1;
    endResetModel();
    for (int i = 0; i < m_rows.size(); ++i)
        if (!Compatible(i))
            m_rows[i].post = No;
    Save(appName);
    setChanged(false);
    emit currentRowChanged(-1);
    setCurrentRow(m_rows.isEmpty() ? -1 : 0);
    CheckSitesToPost(false);
    for (const QString& file : std::as_const(oversized))
        reportOnce(file, FileTooLarge(file, FileLimits::Profile).text());
}

void ApplicationSiteList::Rebuild(const QString& appName)
{
    if (!m_changed) {
        Load(appName);
        return;
    }
    const QList<SiteListRow> shown = m_rows;
    const QString selected = m_current >= 0 ? m_rows.at(m_current).site : QString();
    // A list of no application reads no file and writes none: the rows with their defaults.
    Load(QString());
    QHash<QString, QList<int>> bySite;
    for (int i = 0; i < m_rows.size(); ++i)
        bySite[m_rows.at(i).site].append(i);
    // The rows shown stand where the file's lines stand in a load.
    for (const SiteListRow& old : shown) {
        for (int i : bySite.value(old.site)) {
            SiteListRow& row = m_rows[i];
            row.submit = old.submit;
            if (row.category1 != NotApplicable && old.category1 != NotApplicable)
                row.category1 = old.category1;
            if (row.category2 != NotApplicable && old.category2 != NotApplicable)
                row.category2 = old.category2;
            row.lastPost = old.lastPost;
            row.post = old.post;
        }
    }
    for (int i = 0; i < m_rows.size(); ++i)
        if (!Compatible(i))
            m_rows[i].post = No;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
    setChanged(true);
    const int again = int(std::find_if(m_rows.cbegin(), m_rows.cend(),
                                       [&](const SiteListRow& r) { return r.site == selected; })
                          - m_rows.cbegin());
    setCurrentRow(again < m_rows.size() ? again : (m_rows.isEmpty() ? -1 : 0));
    if (m_current >= 0)
        emit currentRowUpdated();
    CheckSitesToPost(false);
}

void ApplicationSiteList::Save(const QString& appName) const
{
    if (m_rows.isEmpty() || !m_workspace || appName.isEmpty())
        return;
    QStringList lines;
    lines.reserve(m_rows.size());
    for (const SiteListRow& r : m_rows)
        lines << (r.site + Separator + r.submit + Separator + r.category1 + Separator + r.category2 + Separator
                  + r.lastPost + Separator + r.post);
    ListFile::save(fileName(m_workspace->DataDir(), appName), lines);
}

bool ApplicationSiteList::Compatible(const QString& type, const QString& platform, const QString& status)
{
    const qsizetype blank = type.indexOf(u' ');
    const QString distribution = blank < 0 ? type : type.left(blank);
    const QString system = blank < 0 ? QString() : type.mid(blank + 1);
    if (system != u"16-32") {
        const bool win31 = platform == u"Windows 3.1";
        if ((system == u"32" && win31) || (system == u"16" && !win31))
            return false;
    }
    if (distribution == u"Free" && status != u"Freeware" && status != u"Public Domain")
        return false;
    return true;
}

bool ApplicationSiteList::Compatible(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return false;
    return Compatible(m_rows.at(row).type, m_application.field(AppField::Platform),
                      m_application.field(AppField::Status));
}

bool ApplicationSiteList::isToPost(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return false;
    const SiteListRow& r = m_rows.at(row);
    return r.post == Yes && Compatible(row) && (m_filter.isEmpty() || m_filter.contains(r.site));
}

bool ApplicationSiteList::CheckSitesToPost(bool verify)
{
    m_counts = SiteCounts();
    for (int i = 0; i < m_rows.size(); ++i) {
        const SiteListRow& r = m_rows.at(i);
        if (!isToPost(i))
            continue;
        ++m_counts.total;
        if (verify && (r.category1 == NotSet || r.category2 == NotSet)) {
            m_prompts.error(QStringLiteral("You have a site set to post against that needs a category set.")
                            + QStringLiteral(" Please set before posting!"));
            emit showSitesTabRequested();
            setCurrentRow(i);
            return false;
        }
        ++(r.submit == New ? m_counts.fresh : m_counts.update);
        if (r.http == Yes)
            ++m_counts.http;
        if (r.ftp == Yes) {
            ++m_counts.ftp;
            if (r.zip == Yes)
                ++m_counts.zip;
        }
        if (r.email == Yes)
            ++m_counts.email;
    }
    if (verify && m_counts.total == 0) {
        m_prompts.error(QStringLiteral("You do not have any sites set to post!"));
        emit showSitesTabRequested();
        setCurrentRow(m_rows.isEmpty() ? -1 : 0);
        return false;
    }
    if (verify && !(m_verifier && m_verifier(m_counts)))
        return false;
    emit totalToPostChanged(m_counts.total);
    return true;
}

void ApplicationSiteList::updateRow(int row, const std::function<void(SiteListRow&)>& change)
{
    change(m_rows[row]);
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    if (row == m_current)
        emit currentRowUpdated();
}

void ApplicationSiteList::recordPosted(int row, bool resetToNoPost)
{
    if (row < 0 || row >= m_rows.size())
        return;
    updateRow(row, [&](SiteListRow& r) {
        r.submit = Update;
        r.lastPost = today();
        if (resetToNoPost)
            r.post = No;
    });
}

void ApplicationSiteList::setSubmitNew(bool isNew)
{
    if (m_current < 0)
        return;
    updateRow(m_current, [&](SiteListRow& r) { r.submit = isNew ? New : Update; });
}

bool ApplicationSiteList::setPost(bool post)
{
    if (m_current < 0)
        return false;
    if (post && !Compatible(m_current)) {
        m_prompts.error(QStringLiteral("Cannot change post to yes. Applications \"Platform\" or \"Status\" is not "
                                       "compatable with engines settings!"));
        emit currentRowUpdated(); // the check box shows the row's own value again
        CheckSitesToPost(false);
        return false;
    }
    updateRow(m_current, [&](SiteListRow& r) { r.post = post ? Yes : No; });
    CheckSitesToPost(false);
    setChanged(true);
    return true;
}

void ApplicationSiteList::setCategory(int which, const QString& label)
{
    // The byte 0xB1 separates the file's fields; such a label is never offered.
    if (m_current < 0 || label.contains(Separator))
        return;
    updateRow(m_current, [&](SiteListRow& r) { (which == 1 ? r.category1 : r.category2) = label; });
    setChanged(true);
}

void ApplicationSiteList::togglePost()
{
    if (m_current < 0)
        return;
    BusyCursor busy(m_prompts);
    setPost(m_rows.at(m_current).post != Yes);
    CheckSitesToPost(false);
    setChanged(true);
}

void ApplicationSiteList::toggleSubmit()
{
    if (m_current < 0)
        return;
    setSubmitNew(m_rows.at(m_current).submit != New);
    setChanged(true);
}

void ApplicationSiteList::toggleLastPost()
{
    if (m_current < 0)
        return;
    updateRow(m_current, [&](SiteListRow& r) { r.lastPost = r.lastPost != Unknown ? Unknown : today(); });
    setChanged(true);
}

void ApplicationSiteList::moveUp()
{
    if (m_current < 0)
        return;
    setCurrentRow(m_current == 0 ? int(m_rows.size()) - 1 : m_current - 1);
}

void ApplicationSiteList::moveDown()
{
    if (m_current < 0)
        return;
    setCurrentRow(m_current == m_rows.size() - 1 ? 0 : m_current + 1);
}

void ApplicationSiteList::goToUrl()
{
    if (m_current < 0 || !m_workspace)
        return;
    const QString site = m_rows.at(m_current).site;
    const QString url = WorkspacePath::isSafeName(site)
        ? TIniFile(m_workspace->SitesDir() + site + QStringLiteral(".ini"))
              .ReadString(QStringLiteral("SETTINGS"), key("SITES_WEB_URL"), QString())
        : QString();
    if (url.isEmpty())
        m_prompts.error(QStringLiteral("No URL defined for this site!"));
    else if (!m_prompts.openUrl(url))
        m_prompts.error(QStringLiteral("Unable to open %1 in the web browser.").arg(url));
}

bool ApplicationSiteList::confirmAll(const QString& question)
{
    return !m_rows.isEmpty() && m_prompts.confirm(QStringLiteral("Sure you want to ") + question);
}

void ApplicationSiteList::updateAll(const std::function<void(SiteListRow&, int)>& change)
{
    BusyCursor busy(m_prompts);
    for (int i = 0; i < m_rows.size(); ++i)
        change(m_rows[i], i);
    emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
    if (m_current >= 0)
        emit currentRowUpdated();
    setChanged(true);
}

void ApplicationSiteList::allNew()
{
    if (confirmAll(QStringLiteral("change all to \"New\"?")))
        updateAll([](SiteListRow& r, int) { r.submit = New; });
}

void ApplicationSiteList::allUpdate()
{
    if (confirmAll(QStringLiteral("change all to \"Update\"?")))
        updateAll([](SiteListRow& r, int) { r.submit = Update; });
}

void ApplicationSiteList::allPost()
{
    if (!confirmAll(QStringLiteral("change all to \"Post\"?")))
        return;
    updateAll([this](SiteListRow& r, int i) {
        if (Compatible(i))
            r.post = Yes;
    });
    CheckSitesToPost(false);
}

void ApplicationSiteList::allNoPost()
{
    if (!confirmAll(QStringLiteral("change all to \"No Post\"?")))
        return;
    updateAll([](SiteListRow& r, int) { r.post = No; });
    CheckSitesToPost(false);
}

QStringList ApplicationSiteList::categoryLabels(int row, int which) const
{
    if (row < 0 || row >= m_rows.size() || !m_workspace)
        return {};
    const SiteListRow& r = m_rows.at(row);
    if ((which == 1 ? r.category1 : r.category2) == NotApplicable || !SiteCatalogue::isUsableName(r.site))
        return {};
    const QString file = m_workspace->CatDir() + r.site + (which == 1 ? QStringLiteral(" Cat1.cat") : QStringLiteral(" Cat2.cat"));
    const QFileInfo info(file);
    if (!info.exists())
        return {};
    // A list is read once; it is read again only when its file has changed.
    CachedLabels& cached = m_labelCache[file];
    const QDateTime modified = info.lastModified();
    if (cached.read && cached.modified == modified && cached.size == info.size())
        return cached.labels;
    cached = CachedLabels{true, modified, info.size(), {}};
    int passedOver = 0;
    try {
        if (const auto lines = ListFile::loadIfExists(file, FileLimits::CategoryList)) {
            cached.labels.reserve(lines->size());
            for (const QString& line : *lines) {
                if (line.contains(Separator))
                    ++passedOver;
                else
                    cached.labels << CategoryLine::label(line);
            }
        }
    } catch (const FileTooLarge& e) {
        reportOnce(file, e.text());
        return {};
    } catch (const ZentrelError&) {
        return {}; // a list that cannot be read is shown like a missing one
    }
    if (passedOver > 0)
        reportOnce(file, QStringLiteral("%1 line(s) of the category list %2 hold the character \"\u00B1\", which "
                                        "separates the fields of an application's site choices; they are not "
                                        "offered. Edit the list to use them.")
                             .arg(passedOver)
                             .arg(file));
    return cached.labels;
}

void ApplicationSiteList::reportOnce(const QString& file, const QString& message) const
{
    const QString key = file + u'\n' + message;
    if (m_reported.contains(key))
        return;
    m_reported.insert(key);
    m_prompts.error(message);
}

QString ApplicationSiteList::primaryChoice() const
{
    return m_rows.value(m_postingRow).category1;
}

QString ApplicationSiteList::secondaryChoice() const
{
    return m_rows.value(m_postingRow).category2;
}
