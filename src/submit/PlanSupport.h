#pragma once

#include <QString>

class TEngBuild;

// Expands the template in submission mode into `out`; true when it expanded.
// A failed expansion leaves the template in `out`; one that throws leaves
// `out` as it was, so the caller chooses what stands in then.
bool expandInto(TEngBuild& engine, const QString& tmpl, QString& out);

// The path of a file in the folder, whether or not the folder ends with "/".
QString inFolder(const QString& folder, const QString& name);
