#pragma once

#include <QString>
#include <QStringList>

// How texts and paths are put into report pages.
namespace ReportHtml {

// The text made safe to stand in a page, as element content or as a double-quoted
// attribute value. Characters the 8-bit pages cannot hold become character references.
QString escape(const QString& text);

// The fully encoded file URL of a local path, so a blank, "#" or "%" in a folder
// name still leads to the file.
QString fileUrl(const QString& path);

// Replaces a page whole, as 8-bit lines ended by CR LF: the lines go to a new
// file beside it that then takes its name, so a reader sees the old page or the
// new one, and a link in the page's place is replaced, never written through.
// A run writes thousands of pages, so they are not forced to the disk one by
// one as records are. Throws ZentrelError("Cannot create file <path>").
void savePage(const QString& fileName, const QStringList& lines);

} // namespace ReportHtml
