#include "engines/SiteDefinition.h"

#include "records/TIniFile.h"

namespace {

struct TranslationEntry {
    const char* key;
    const char* standard;
};

// In write order: the platform, the submitter, the distribution status, the install support.
constexpr TranslationEntry TranslationTable[TranslationCount] = {
    {"MUF_Windows31", "Windows 3.1"},
    {"MUF_Windows95", "Windows 95"},
    {"MUF_WindowsNT", "Windows NT"},
    {"MUF_Windows95NT", "Windows 95 and NT"},
    {"MUF_Author", "Author"},
    {"MUF_Distributor", "Distributor"},
    {"MUF_Dealer", "Dealer"},
    {"MUF_User", "User"},
    {"MUF_FeatureLimitDemo", "Feature Limit Demo"},
    {"MUF_TimeLimitDemo", "Time Limit Demo"},
    {"MUF_PublicDomain", "Public Domain"},
    {"MUF_Freeware", "Freeware"},
    {"MUF_Shareware", "Shareware"},
    {"MUF_Beta", "Beta"},
    {"MUF_NoInstallFeature", "No Install Feature"},
    {"MUF_InstallFeatureOnly", "Install Feature Only"},
    {"MUF_UnInstallFeatureOnly", "Uninstall Feature Only"},
    {"MUF_InstallUninstall", "Install/Uninstall"},
};

QString key(const char* name) { return QLatin1String(name); }

int oneOf(int value, std::initializer_list<int> allowed, int fallback)
{
    for (int a : allowed)
        if (value == a)
            return value;
    return fallback;
}

} // namespace

std::array<QString, TranslationCount> SiteDefinition::standardTranslations()
{
    std::array<QString, TranslationCount> values;
    for (int i = 0; i < TranslationCount; ++i)
        values[size_t(i)] = QLatin1String(TranslationTable[i].standard);
    return values;
}

QString SiteDefinition::translationKey(Translation t)
{
    return QLatin1String(TranslationTable[int(t)].key);
}

QString SiteDefinition::standardValue(Translation t)
{
    return QLatin1String(TranslationTable[int(t)].standard);
}

QString SiteDefinition::scriptSuffix(SiteScript script)
{
    switch (script) {
    case SiteScript::HttpNew: return QStringLiteral(" HTTP_NEW");
    case SiteScript::HttpUpdate: return QStringLiteral(" HTTP_UPDATE");
    case SiteScript::FtpNew: return QStringLiteral(" FTP_NEW");
    case SiteScript::EmailNew: return QStringLiteral(" EMAIL_NEW");
    case SiteScript::EmailUpdate: return QStringLiteral(" EMAIL_UPDATE");
    }
    return {};
}

void SiteDefinition::clear()
{
    const auto kept = translations;
    *this = SiteDefinition();
    translations = kept;
}

void SiteDefinition::readKeys(const IniSection& s)
{
    // Sizes, systems and methods outside their codes read as the default code.
    byteFormat = oneOf(s.ReadInteger(key("BYTE_FORMAT"), 1), {1, 2, 3}, 1);
    sitesWebUrl = s.ReadString(key("SITES_WEB_URL"), QString());
    useCat1 = s.ReadBool(key("USE_CAT1"), false);
    useCat2 = s.ReadBool(key("USE_CAT2"), false);
    siteType = oneOf(s.ReadInteger(key("SITE_TYPE"), 2), {1}, 2);
    siteSystem = oneOf(s.ReadInteger(key("SITE_SYSTEM"), 3), {1, 2}, 3);
    useHttpPost = s.ReadBool(key("USE_HTTP_POST"), false);
    httpPostType = oneOf(s.ReadInteger(key("HTTP_POST_TYPE"), 1), {2}, 1);
    httpNewScriptUrl = s.ReadString(key("HTTP_NEW_SCRIPT_URL"), QString());
    httpUpdateScriptUrl = s.ReadString(key("HTTP_UPDATE_SCRIPT_URL"), QString());
    for (int i = 0; i < TranslationCount; ++i)
        translations[size_t(i)] = s.ReadString(key(TranslationTable[i].key),
                                                QLatin1String(TranslationTable[i].standard));
    useFtpUpload = s.ReadBool(key("USE_FTP_UPLOAD"), false);
    useZipFile = s.ReadBool(key("USE_ZIP_FILE"), false);
    use8x3Filename = s.ReadBool(key("USE_8X3_FILENAME"), false);
    ftpServer = s.ReadString(key("FTP_SERVER"), QString());
    loginName = s.ReadString(key("LOGIN_NAME"), QString());
    remotePath = s.ReadString(key("REMOTE_PATH"), QString());
    loginPassword = s.ReadString(key("LOGIN_PASSWORD"), QString());
    // An unknown encryption code reads as plain FTP, as every file before the key did.
    ftpTls = oneOf(s.ReadInteger(key("FTP_TLS"), 0), {1, 2}, 0);
    ftpTlsInFile = s.contains(key("FTP_TLS"));
    // A later true key overrides an earlier one; none true leaves no choice.
    addedText = AddedTextPlacement::None;
    if (s.ReadBool(key("ADD_FILE_TO_ZIP"), false))
        addedText = AddedTextPlacement::Separate;
    if (s.ReadBool(key("INCLUDE_IN_ZIP"), false))
        addedText = AddedTextPlacement::InsideZip;
    if (s.ReadBool(key("ADDED_TEXT_BOTH"), false))
        addedText = AddedTextPlacement::Both;
    ftpFilename = s.ReadString(key("FTP_FILENAME"), QString());
    useEmail = s.ReadBool(key("USE_EMAIL"), false);
    emailSendCopy = s.ReadBool(key("EMAIL_SEND_COPY"), false);
    emailAttachGif = s.ReadBool(key("EMAIL_ATTACH_GIF"), false);
    emailAttachIco = s.ReadBool(key("EMAIL_ATTACH_ICO"), false);
    emailAttachScreen = s.ReadBool(key("EMAIL_ATTACH_SCREEN"), false);
    emailAttachOther = s.ReadBool(key("EMAIL_ATTACH_OTHER"), false);
    emailAttachScript = s.ReadBool(key("EMAIL_ATTACH_SCRIPT"), false);
    emailAttachApplication = s.ReadBool(key("EMAIL_ATTACH_APPLICATION"), false);
    emailToName = s.ReadString(key("EMAIL_TONAME"), QString());
    emailSubject = s.ReadString(key("EMAIL_SUBJECT"), QString());
    emailToNameUpdate = s.ReadString(key("EMAIL_TONAME_UPDATE"), QString());
    emailSubjectUpdate = s.ReadString(key("EMAIL_SUBJECT_UPDATE"), QString());
}

IniValues SiteDefinition::keys() const
{
    IniValues v;
    v.integer(key("BYTE_FORMAT"), byteFormat)
        .string(key("SITES_WEB_URL"), sitesWebUrl)
        .flag(key("USE_CAT1"), useCat1)
        .flag(key("USE_CAT2"), useCat2)
        .integer(key("SITE_TYPE"), siteType)
        .integer(key("SITE_SYSTEM"), siteSystem)
        .flag(key("USE_HTTP_POST"), useHttpPost)
        .integer(key("HTTP_POST_TYPE"), httpPostType)
        .string(key("HTTP_NEW_SCRIPT_URL"), httpNewScriptUrl)
        .string(key("HTTP_UPDATE_SCRIPT_URL"), httpUpdateScriptUrl);
    for (int i = 0; i < TranslationCount; ++i)
        v.string(key(TranslationTable[i].key), translations[size_t(i)]);
    v.flag(key("USE_FTP_UPLOAD"), useFtpUpload)
        .flag(key("USE_ZIP_FILE"), useZipFile)
        .flag(key("USE_8X3_FILENAME"), use8x3Filename)
        .string(key("FTP_SERVER"), ftpServer)
        .string(key("LOGIN_NAME"), loginName)
        .string(key("REMOTE_PATH"), remotePath)
        .string(key("LOGIN_PASSWORD"), loginPassword);
    if (ftpTls != 0 || ftpTlsInFile) {
        v.integer(key("FTP_TLS"), ftpTls);
        ftpTlsInFile = true;
    }
    v.flag(key("ADD_FILE_TO_ZIP"), addedText == AddedTextPlacement::Separate)
        .flag(key("INCLUDE_IN_ZIP"), addedText == AddedTextPlacement::InsideZip)
        .flag(key("ADDED_TEXT_BOTH"), addedText == AddedTextPlacement::Both)
        .string(key("FTP_FILENAME"), ftpFilename)
        .flag(key("USE_EMAIL"), useEmail)
        .flag(key("EMAIL_SEND_COPY"), emailSendCopy)
        .flag(key("EMAIL_ATTACH_GIF"), emailAttachGif)
        .flag(key("EMAIL_ATTACH_ICO"), emailAttachIco)
        .flag(key("EMAIL_ATTACH_SCREEN"), emailAttachScreen)
        .flag(key("EMAIL_ATTACH_OTHER"), emailAttachOther)
        .flag(key("EMAIL_ATTACH_SCRIPT"), emailAttachScript)
        .flag(key("EMAIL_ATTACH_APPLICATION"), emailAttachApplication)
        .string(key("EMAIL_TONAME"), emailToName)
        .string(key("EMAIL_SUBJECT"), emailSubject)
        .string(key("EMAIL_TONAME_UPDATE"), emailToNameUpdate)
        .string(key("EMAIL_SUBJECT_UPDATE"), emailSubjectUpdate);
    return v;
}
