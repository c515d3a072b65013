#include "reports/ReportHtml.h"

#include "records/ListFile.h"
#include "records/ZentrelError.h"

#include <QFile>
#include <QTemporaryFile>
#include <QUrl>

#include <cstdio>

namespace ReportHtml {

QString escape(const QString& text)
{
    QString result;
    result.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case u'<': result += u"&lt;"; break;
        case u'>': result += u"&gt;"; break;
        case u'&': result += u"&amp;"; break;
        case u'"': result += u"&quot;"; break;
        default:
            if (c.unicode() <= 0xFF) {
                result += c;
            } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                result += u"&#" + QString::number(QChar::surrogateToUcs4(c, text.at(i + 1))) + u';';
                ++i;
            } else {
                result += u"&#" + QString::number(c.unicode()) + u';';
            }
        }
    }
    return result;
}

QString fileUrl(const QString& path)
{
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

void savePage(const QString& fileName, const QStringList& lines)
{
    const QString failure = QStringLiteral("Cannot create file %1").arg(fileName);
    // A short name of its own, so even a page whose name takes the longest a file
    // name may take gets one.
    const qsizetype slash = fileName.lastIndexOf(u'/');
    QTemporaryFile file(fileName.left(slash + 1) + QStringLiteral(".page.XXXXXX"));
    if (!file.open())
        throw ZentrelError(failure);
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    const QByteArray bytes = ListFile::serialize(lines);
    if (file.write(bytes) != bytes.size() || !file.flush())
        throw ZentrelError(failure);
    file.close();
    if (std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(fileName).constData()) != 0)
        throw ZentrelError(failure);
    file.setAutoRemove(false);
}

} // namespace ReportHtml
