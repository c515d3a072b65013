#include "services/ServiceAddresses.h"

namespace ServiceAddresses {

QString bhsPage(const QString& bhsFolder, const QString& page)
{
    const QString folder = bhsFolder.trimmed();
    // A folder given without its closing "/" still names the folder, not a file in its parent.
    return folder.endsWith(u'/') ? QString(folder + page) : QString(folder + u'/' + page);
}

} // namespace ServiceAddresses
