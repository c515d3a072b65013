#pragma once

#include <QString>

// Where the online services go and what they fetch.
namespace ServiceAddresses {

// The archive the data update downloads, and the name it is kept under locally.
inline QString updateArchiveName() { return QStringLiteral("zlsites.zip"); }

// A page of the BHS site: the folder from the settings, then the page's name.
QString bhsPage(const QString& bhsFolder, const QString& page);

// The Simtel archive's mailbox for upload instructions.
inline QString simtelMailbox() { return QStringLiteral("upload-info@simtel.net"); }

} // namespace ServiceAddresses
