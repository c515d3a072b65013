#include "records/ProgramSettings.h"

#include "records/TIniFile.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString Section = QStringLiteral("SETTINGS");
QString key(const char* name) { return QLatin1String(name); }

// The longest value a profile line gives back.
constexpr qsizetype MaxStoredLength = 1023;

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

// Reading a profile value drops blanks at its ends and one pair of quotes
// around it; a value that would lose either is written inside quotes.
QString storedForm(const QString& value)
{
    if (value.isEmpty())
        return value;
    const QChar first = value.front();
    const QChar last = value.back();
    const bool quoted = value.size() >= 2 && (first == u'"' || first == u'\'') && last == first;
    return isBlank(first) || isBlank(last) || quoted ? u'"' + value + u'"' : value;
}
} // namespace

QString ProgramSettings::fileIn(const QString& baseDirectory)
{
    return baseDirectory + QStringLiteral("settings.dat");
}

void ProgramSettings::load(const QString& fileName)
{
    const IniSection s = TIniFile(fileName).ReadSection(Section);
    lastAppLoaded = s.ReadString(key("LastAppLoaded"), QString());
    useGridLines = s.ReadBool(key("UseGridLines"), false);
    updateUrl = s.ReadString(key("UpdateURL"), defaultUpdateUrl());
    bhsUrl = s.ReadString(key("BHSURL"), defaultBhsUrl());
    tlsExtraCa = s.ReadString(key("TLSExtraCA"), QString()).trimmed();
    if (!tlsExtraCa.isEmpty() && QDir::isRelativePath(tlsExtraCa))
        tlsExtraCa = QDir(QFileInfo(fileName).absolutePath()).filePath(tlsExtraCa);
    loadDialogValues(fileName);
}

void ProgramSettings::loadDialogValues(const QString& fileName)
{
    const IniSection s = TIniFile(fileName).ReadSection(Section);
    smtp = s.ReadString(key("SMTP"), QString());
    email = s.ReadString(key("EMAIL"), QString());
    name = s.ReadString(key("NAME"), QString());
    proxy = s.ReadString(key("PROXY"), QString());
    proxyUserName = s.ReadString(key("PROXYUSERNAME"), QString());
    proxyPassword = s.ReadString(key("PROXYPASSWORD"), QString());
    port = s.ReadString(key("PORT"), QStringLiteral("80"));
    ftpRetries = s.ReadInteger(key("FTPRetries"), 3);
    httpTimeOut = s.ReadInteger(key("HTTPTimeOut"), 60);
    showHints = s.ReadBool(key("ShowHints"), true);
    resetToNoPost = s.ReadBool(key("ResetToNoPost"), true);
    ftpPassiveMode = s.ReadBool(key("FTPPassiveMode"), false);
    smtpUserName = s.ReadString(key("SMTP User Name"), QString());
    smtpPassword = s.ReadString(key("SMTP Password"), QString());
    // A settings file made from now on says it is on; one from before, without
    // the key, keeps the plain mail server it was set up for working.
    requireEncryption = s.ReadBool(key("Require encryption"), !QFileInfo::exists(fileName));
}

void ProgramSettings::saveDialogValues(const QString& fileName) const
{
    IniValues v;
    v.string(key("SMTP"), smtp)
        .string(key("EMAIL"), email)
        .string(key("NAME"), name)
        .string(key("PROXY"), proxy)
        .string(key("PROXYUSERNAME"), storedForm(proxyUserName))
        .string(key("PROXYPASSWORD"), storedForm(proxyPassword))
        .string(key("PORT"), port)
        .integer(key("FTPRetries"), ftpRetries)
        .integer(key("HTTPTimeOut"), httpTimeOut)
        .flag(key("ShowHints"), showHints)
        .flag(key("ResetToNoPost"), resetToNoPost)
        .flag(key("FTPPassiveMode"), ftpPassiveMode)
        .string(key("SMTP User Name"), storedForm(smtpUserName))
        .string(key("SMTP Password"), storedForm(smtpPassword))
        .flag(key("Require encryption"), requireEncryption);
    write(fileName, v);
}

void ProgramSettings::saveLastAppLoaded(const QString& fileName) const
{
    write(fileName, IniValues().string(key("LastAppLoaded"), lastAppLoaded));
}

void ProgramSettings::setUseGridLines(const QString& fileName, bool on)
{
    useGridLines = on;
    write(fileName, IniValues().flag(key("UseGridLines"), on));
}

void ProgramSettings::write(const QString& fileName, const IniValues& values) const
{
    IniValues all = values;
    if (!QFileInfo::exists(fileName)) {
        const QString encryption = key("Require encryption");
        bool named = false;
        for (const auto& [name, value] : values.list())
            named = named || name == encryption;
        if (!named)
            all.flag(encryption, true);
    }
    TIniFile(fileName, FileAccess::OwnerOnly).WriteValues(Section, all.list());
}

QString ProgramSettings::unstorableReason(const QString& value)
{
    if (value.size() > MaxStoredLength)
        return QStringLiteral("it is longer than %1 characters").arg(MaxStoredLength);
    for (const char32_t c : value.toUcs4()) {
        if (c == U'\r' || c == U'\n')
            return QStringLiteral("it holds a line break");
        if (c > 0xFF)
            return QStringLiteral("it holds the character \"%1\", which settings.dat cannot store")
                .arg(QString::fromUcs4(&c, 1));
    }
    return {};
}

QString ProgramSettings::proxyAddress() const
{
    return hasProxy() ? proxy + u':' + port : QString();
}

bool ProgramSettings::isOwnMailServer(const QString& server) const
{
    const auto host = [](const QString& name) { return name.section(u':', 0, 0).trimmed().toLower(); };
    return !host(server).isEmpty() && host(server) == host(smtp);
}
