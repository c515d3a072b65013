#include "records/ProgramSettings.h"

#include "records/TIniFile.h"

namespace {
const QString Section = QStringLiteral("SETTINGS");
QString key(const char* name) { return QLatin1String(name); }
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
}

void ProgramSettings::saveDialogValues(const QString& fileName) const
{
    IniValues v;
    v.string(key("SMTP"), smtp)
        .string(key("EMAIL"), email)
        .string(key("NAME"), name)
        .string(key("PROXY"), proxy)
        .string(key("PROXYUSERNAME"), proxyUserName)
        .string(key("PROXYPASSWORD"), proxyPassword)
        .string(key("PORT"), port)
        .integer(key("FTPRetries"), ftpRetries)
        .integer(key("HTTPTimeOut"), httpTimeOut)
        .flag(key("ShowHints"), showHints)
        .flag(key("ResetToNoPost"), resetToNoPost)
        .flag(key("FTPPassiveMode"), ftpPassiveMode);
    TIniFile(fileName).WriteValues(Section, v.list());
}

void ProgramSettings::saveLastAppLoaded(const QString& fileName) const
{
    TIniFile(fileName).WriteString(Section, key("LastAppLoaded"), lastAppLoaded);
}

void ProgramSettings::setUseGridLines(const QString& fileName, bool on)
{
    useGridLines = on;
    TIniFile(fileName).WriteBool(Section, key("UseGridLines"), on);
}

QString ProgramSettings::proxyAddress() const
{
    return hasProxy() ? proxy + u':' + port : QString();
}
