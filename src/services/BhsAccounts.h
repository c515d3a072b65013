#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class CompanyRecord;
class ProgramSettings;
class TagHTTP;
class UserPrompts;

// Finds or requests the company's publisher account at Beverly Hills Software
// and stores its number as the company's BHS ID. "additem1.asp" lists the
// accounts BHS knows; "additem2.asp" takes a new-account form. The two
// windows show what this does; every rule and question lives here.
class BhsAccounts : public QObject {
    Q_OBJECT
public:
    BhsAccounts(CompanyRecord& company, const ProgramSettings& settings, UserPrompts& prompts,
                QObject* parent = nullptr);
    ~BhsAccounts() override;

    static constexpr int BrowseTimeOut = 120; // seconds
    static constexpr int RequestTimeOut = 60;

    struct Account {
        QString name;
        QString id;
    };

    // The ten fields of the new-account form, in the order they are sent.
    struct NewAccount {
        QString companyName;
        QString address1;
        QString address2;
        QString city;
        QString stateCountry;
        QString zipCode;
        QString phone;
        QString email;
        QString ftpSite;
        QString webSite;
    };

    // The accounts of an "additem1.asp" page: its "<option value=" lines but the
    // placeholder of value 0, each with a non-empty ID.
    static QList<Account> parseAccounts(const QString& page);
    // The new account's ID in an "additem2.asp" reply; empty when it holds none.
    static QString parseNewId(const QString& reply);
    // The form as sent: each field after its name, joined by "&", "add= Submit"
    // last. An empty Address2 goes as one blank, an empty FTP or web site as
    // "none". Only "%", "&", "+" and "=" of a value are escaped.
    static QByteArray formData(const NewAccount& fields);

    enum class Outcome {
        Declined,  // "No" to the question, or the form was incomplete: nothing was sent
        Done,      // accounts found, or a reply read
        Failed,    // told "Could not connect to BHS!"
        Cancelled  // stopped by cancel() while it waited
    };

    // "Browse Accounts": asks, then fetches and parses the list into accounts().
    Outcome browse();
    const QList<Account>& accounts() const { return m_accounts; }
    // "Use Selected": asks when the name is not the company's, ignoring case;
    // true when the ID was stored.
    bool useAccount(const Account& account);
    // The result of the new-account window: an empty ID is a refusal.
    bool takeNewAccount(const QString& id);
    // Sets the company's BHS ID and its changed mark, and tells the user.
    void store(const QString& id);
    // "Id = " and the ID.
    void showId(const Account& account);

    // The new-account fields from the company page; the FTP site stays empty.
    NewAccount newAccountFields() const;
    // "Request Account": checks the fields, asks, posts the form; on Done the
    // ID (possibly empty) is in `id`.
    Outcome requestAccount(const NewAccount& fields, QString& id);

    // Stops the exchange in progress; it then ends Cancelled.
    void cancel();
    bool busy() const { return m_http != nullptr; }

signals:
    // True just before a page is fetched or the form posted, false once that has ended.
    void waitingChanged(bool waiting);
    // What the client does, as the windows' status labels show it.
    void statusChanged(const QString& text);

private:
    enum class Exchange { Browse, Request };
    // Runs one GET or POST of `page`; the body is in `reply` on Done.
    Outcome exchange(Exchange kind, const QString& page, const QByteArray& form, QString& reply);
    bool askConnected();

    CompanyRecord& m_company;
    const ProgramSettings& m_settings;
    UserPrompts& m_prompts;
    QList<Account> m_accounts;
    TagHTTP* m_http = nullptr; // the client of the exchange in progress
    bool m_cancelled = false;
};
