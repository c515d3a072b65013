#include "submit/HttpClientSetup.h"

#include "net/TagHTTP.h"
#include "records/ProgramSettings.h"

void setupHttpClient(TagHTTP& http, const ProgramSettings& settings)
{
    if (!http.WinsockLoaded())
        http.setWinsockLoaded(true);
    http.setTimeOut(settings.httpTimeOut);
    if (settings.hasProxy()) {
        http.setProxy(settings.proxyAddress());
        http.setProxyUserName(settings.proxyUserName);
        http.setProxyPassword(settings.proxyPassword);
    } else {
        http.setProxy(QString());
        http.setProxyUserName(QString());
        http.setProxyPassword(QString());
    }
}
