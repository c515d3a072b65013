#include "services/BhsAccounts.h"

#include "net/ESocketError.h"
#include "net/TagHTTP.h"
#include "net/TextLines.h"
#include "records/CompanyRecord.h"
#include "records/ProgramSettings.h"
#include "records/UserPrompts.h"
#include "services/ServiceAddresses.h"
#include "submit/HttpClientSetup.h"

namespace {

const QString CouldNotConnect = QStringLiteral("Could not connect to BHS!");
const QString ValueMark = QStringLiteral("value=\"");

// A value as the form carries it. The four characters that would end it, start
// another field or read as an escape go escaped, so a name like "Smith & Sons"
// arrives as typed; everything else goes as it is.
QByteArray formValue(const QString& text)
{
    QByteArray out;
    for (const char c : text.toLatin1()) {
        switch (c) {
        case '%': out += "%25"; break;
        case '&': out += "%26"; break;
        case '+': out += "%2B"; break;
        case '=': out += "%3D"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

BhsAccounts::BhsAccounts(CompanyRecord& company, const ProgramSettings& settings, UserPrompts& prompts,
                         QObject* parent)
    : QObject(parent), m_company(company), m_settings(settings), m_prompts(prompts)
{
}

BhsAccounts::~BhsAccounts() = default;

QList<BhsAccounts::Account> BhsAccounts::parseAccounts(const QString& page)
{
    QList<Account> accounts;
    for (const QString& line : textLines(page)) {
        // The list's "choose one" entry carries the value 0.
        if (!line.startsWith(u"<option value=") || line.contains(u"value=\"0\""))
            continue;
        const qsizetype open = line.indexOf(u'"');
        const qsizetype close = open < 0 ? -1 : line.indexOf(u'"', open + 1);
        if (close < 0)
            continue;
        const QString id = line.mid(open + 1, close - open - 1);
        // An account without a number could only store an empty ID.
        if (id.isEmpty())
            continue;
        const qsizetype gt = line.indexOf(u'>');
        QString name = gt < 0 ? QString() : line.mid(gt + 1);
        // The option's closing tag is markup, not part of the company's name:
        // kept, it would show and would never match the company field.
        const qsizetype end = name.indexOf(QStringLiteral("</option"), 0, Qt::CaseInsensitive);
        if (end >= 0)
            name = name.left(end).trimmed();
        accounts.append({name, id});
    }
    return accounts;
}

QString BhsAccounts::parseNewId(const QString& reply)
{
    for (const QString& line : textLines(reply)) {
        const qsizetype mark = line.indexOf(ValueMark);
        if (mark < 0)
            continue;
        const qsizetype start = mark + ValueMark.size();
        const qsizetype end = line.indexOf(u'"', start);
        // A number cut off by the line's end is no number.
        return end < 0 ? QString() : line.mid(start, end - start);
    }
    return {};
}

QByteArray BhsAccounts::formData(const NewAccount& f)
{
    const QString address2 = f.address2.isEmpty() ? QStringLiteral(" ") : f.address2;
    const QString ftpSite = f.ftpSite.isEmpty() ? QStringLiteral("none") : f.ftpSite;
    const QString webSite = f.webSite.isEmpty() ? QStringLiteral("none") : f.webSite;
    const std::pair<const char*, const QString*> fields[] = {
        {"name=", &f.companyName}, {"Address1=", &f.address1}, {"Address2=", &address2},
        {"City=", &f.city},        {"State=", &f.stateCountry}, {"Zipcode=", &f.zipCode},
        {"phone=", &f.phone},      {"email=", &f.email},       {"FTPSite=", &ftpSite},
        {"WebSite=", &webSite},
    };
    QByteArray data;
    for (const auto& [name, value] : fields)
        data += name + formValue(*value) + '&';
    return data + "add= Submit";
}

bool BhsAccounts::askConnected()
{
    m_prompts.beep();
    return m_prompts.confirm(QStringLiteral("Are you currently connected to the Internet?"));
}

BhsAccounts::Outcome BhsAccounts::exchange(Exchange kind, const QString& page, const QByteArray& form,
                                           QString& reply)
{
    const bool browsing = kind == Exchange::Browse;
    const QString connecting = QStringLiteral("(Connecting to BHS Server)");
    TagHTTP http;
    setupHttpClient(http, m_settings);
    http.setTimeOut(browsing ? BrowseTimeOut : RequestTimeOut);
    http.OnOpen = [this, connecting](TagSocket&) { emit statusChanged(connecting); };
    http.OnError = [this](TagSocket&, const QString&) { emit statusChanged(QStringLiteral("(Connection Error)")); };
    http.OnSending = [this, browsing](TagHTTP&) {
        emit statusChanged(browsing ? QStringLiteral("Sending Query") : QStringLiteral("(Sending Data To BHS Server)"));
    };
    http.OnProgress = [this, browsing](TagSocket&, int, qint64 bytes) {
        emit statusChanged(QString::number(bytes)
                           + (browsing ? QStringLiteral(" bytes received") : QStringLiteral(" bytes")));
    };

    emit waitingChanged(true);
    emit statusChanged(connecting);
    m_http = &http;
    m_cancelled = false;
    int status = 0;
    bool failed = false;
    try {
        http.setURL(ServiceAddresses::bhsPage(m_settings.bhsUrl, page));
        if (browsing) {
            status = http.Get();
        } else {
            http.setPostData(QString());
            http.PostBody().write(form);
            status = http.Post();
        }
    } catch (const ESocketError&) {
        failed = true;
    }
    m_http = nullptr;
    emit waitingChanged(false);
    if (failed && m_cancelled)
        return Outcome::Cancelled;
    // An error page is not the page asked for: nothing in it is read.
    if (failed || status < 200 || status > 299) {
        if (!failed)
            emit statusChanged(QStringLiteral("(Connection Error)"));
        m_prompts.error(CouldNotConnect);
        return Outcome::Failed;
    }
    reply = QString::fromLatin1(http.Body().readAll());
    return Outcome::Done;
}

BhsAccounts::Outcome BhsAccounts::browse()
{
    if (!askConnected())
        return Outcome::Declined;
    m_accounts.clear();
    QString page;
    const Outcome got = exchange(Exchange::Browse, QStringLiteral("additem1.asp"), QByteArray(), page);
    if (got != Outcome::Done)
        return got;
    emit statusChanged(QStringLiteral("(Parsing Data From BHS)"));
    m_accounts = parseAccounts(page);
    if (m_accounts.isEmpty()) {
        m_prompts.error(CouldNotConnect);
        return Outcome::Failed;
    }
    return Outcome::Done;
}

bool BhsAccounts::useAccount(const Account& account)
{
    if (account.name.compare(m_company.name(), Qt::CaseInsensitive) != 0) {
        m_prompts.beep();
        if (!m_prompts.confirm(QStringLiteral("The name you selected does not exactly match the name in your "
                                              "Zentrel company field. Do you still want to use the selected BHS "
                                              "company for the ID?")))
            return false;
    }
    store(account.id);
    return true;
}

bool BhsAccounts::takeNewAccount(const QString& id)
{
    if (id.isEmpty()) {
        m_prompts.error(QStringLiteral("Could not assign BHS account at this time!"));
        return false;
    }
    store(id);
    return true;
}

void BhsAccounts::store(const QString& id)
{
    m_company.setBhsId(id);
    // The number is part of the company record: it is saved with it, and asked about when not.
    m_company.setChanged(true);
    m_prompts.info(QStringLiteral("Your BHS ID# is: ") + id);
}

void BhsAccounts::showId(const Account& account)
{
    m_prompts.info(QStringLiteral("Id = ") + account.id);
}

BhsAccounts::NewAccount BhsAccounts::newAccountFields() const
{
    NewAccount f;
    f.companyName = m_company.name();
    f.address1 = m_company.field(CompanyField::Address);
    f.city = m_company.field(CompanyField::City);
    f.stateCountry = m_company.field(CompanyField::State) + u'/' + m_company.field(CompanyField::Country);
    f.zipCode = m_company.field(CompanyField::Zip);
    f.phone = m_company.field(CompanyField::Phone);
    f.email = m_company.field(CompanyField::CompanyEmail);
    f.webSite = m_company.field(CompanyField::HomePage);
    return f;
}

BhsAccounts::Outcome BhsAccounts::requestAccount(const NewAccount& f, QString& id)
{
    id.clear();
    for (const QString* required : {&f.companyName, &f.address1, &f.city, &f.stateCountry, &f.zipCode, &f.phone,
                                    &f.email}) {
        if (required->isEmpty()) {
            m_prompts.error(QStringLiteral("You must fill in all fields!"));
            return Outcome::Declined;
        }
    }
    if (!askConnected())
        return Outcome::Declined;
    QString reply;
    const Outcome sent = exchange(Exchange::Request, QStringLiteral("additem2.asp"), formData(f), reply);
    if (sent == Outcome::Done)
        id = parseNewId(reply);
    return sent;
}

void BhsAccounts::cancel()
{
    if (!m_http)
        return;
    m_cancelled = true;
    m_http->Cancel();
}
