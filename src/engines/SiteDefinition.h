#pragma once

#include <QString>
#include <QStringList>

#include <array>

class IniSection;
class IniValues;

// Where the added text file of an FTP upload goes.
enum class AddedTextPlacement {
    None,      // no choice stored
    Separate,  // ADD_FILE_TO_ZIP: uploaded beside the archive
    InsideZip, // INCLUDE_IN_ZIP: put inside the zip archive
    Both       // ADDED_TEXT_BOTH
};

enum class SiteScript { HttpNew, HttpUpdate, FtpNew, EmailNew, EmailUpdate };
constexpr int SiteScriptCount = 5;

// The 18 standard values an application record can carry, each translated per site.
enum class Translation {
    Windows31, Windows95, WindowsNT, Windows95NT,
    Author, Distributor, Dealer, User,
    FeatureLimitDemo, TimeLimitDemo, PublicDomain, Freeware, Shareware, Beta,
    NoInstallFeature, InstallFeatureOnly, UnInstallFeatureOnly, InstallUninstall,
};
constexpr int TranslationCount = 18;

// How one download site takes submissions: the keys of its "<site>.ini", its
// two category lists and its five scripts.
struct SiteDefinition {
    int byteFormat = 1;  // 1 bytes, 2 kilobytes, 3 megabytes
    QString sitesWebUrl;
    bool useCat1 = false;
    bool useCat2 = false;
    int siteType = 2;    // 1 freeware only, 2 freeware and shareware
    int siteSystem = 3;  // 1 32-bit only, 2 16-bit only, 3 both
    bool useHttpPost = false;
    int httpPostType = 1; // 1 POST, 2 GET
    QString httpNewScriptUrl;
    QString httpUpdateScriptUrl;
    std::array<QString, TranslationCount> translations = standardTranslations();
    bool useFtpUpload = false;
    bool useZipFile = false;
    bool use8x3Filename = false;
    QString ftpServer;
    QString loginName;
    QString remotePath;
    QString loginPassword;
    // FTP_TLS: 0 plain FTP, 1 encrypted when the server offers it, 2 encrypted or not at all.
    int ftpTls = 0;
    // The definition file holds FTP_TLS (read from it, or written by keys()), so
    // a 0 must be written over it; a file that never had the key gets none.
    mutable bool ftpTlsInFile = false;
    AddedTextPlacement addedText = AddedTextPlacement::Separate;
    QString ftpFilename;
    bool useEmail = false;
    bool emailSendCopy = false;
    bool emailAttachGif = false;
    bool emailAttachIco = false;
    bool emailAttachScreen = false;
    bool emailAttachOther = false;
    bool emailAttachScript = false;
    bool emailAttachApplication = false;
    QString emailToName;
    QString emailSubject;
    QString emailToNameUpdate;
    QString emailSubjectUpdate;

    QStringList primaryCategories;
    QStringList secondaryCategories;
    std::array<QStringList, SiteScriptCount> scripts;

    QString& translation(Translation t) { return translations[size_t(t)]; }
    const QString& translation(Translation t) const { return translations[size_t(t)]; }

    // Back to the new-site values; the field translations stay as they are.
    void clear();
    // Reads every key of the [SETTINGS] section with its default.
    void readKeys(const IniSection& settings);
    // Every key in its write order; FTP_TLS only when not 0 or already in the file.
    IniValues keys() const;

    static std::array<QString, TranslationCount> standardTranslations();
    static QString translationKey(Translation t);
    static QString standardValue(Translation t);
    // The file name suffix of a script, with its leading blank: " HTTP_NEW".
    static QString scriptSuffix(SiteScript script);
};
