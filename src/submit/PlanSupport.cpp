#include "submit/PlanSupport.h"

#include "engines/TEngBuild.h"
#include "records/ZentrelError.h"

bool expandInto(TEngBuild& engine, const QString& tmpl, QString& out)
{
    try {
        const QString result = engine.Expand(tmpl, ExpandMode::Submission);
        out = result;
        return !engine.ExpandError();
    } catch (const ZentrelError&) {
        return false;
    }
}

QString inFolder(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}
