#pragma once

#include "pad/PadMapping.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class MainModel;
class PadFetch;

// "Import PAD File..." and "Import PAD File from URL...": a PAD file becomes a
// company and an application of the workspace, after the user has seen what
// goes where. Nothing is written before the last question is answered.
class PadImporter {
public:
    explicit PadImporter(MainModel& model);

    // Shows the preview "Import PAD File"; true on "Import", false on "Cancel".
    // The window sets it; without one the import goes on as if "Import" was chosen.
    std::function<bool(const QString& source, const QList<PadImportRow>& rows)> preview;

    // Asks for the file, then imports it. True when something was imported.
    bool importFile();
    // Imports the file at the path.
    bool importPath(const QString& path);
    // Fetches the address with the fetcher (which the window can cancel) and imports the reply.
    bool importUrl(const QString& url, PadFetch& fetch);
    // Imports the bytes of a PAD file; `source` names it in the preview, `url`
    // is where it was fetched from (empty for a local file).
    bool importBytes(const QByteArray& bytes, const QString& source, const QString& url = QString());

    // The PAD file address kept for the application shown, to offer for the next fetch.
    QString keptPadUrl() const;

private:
    MainModel& m_model;
};
