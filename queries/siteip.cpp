#include "app/Form1.h"
#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "queries/lookup.h"
#include "web/ping.h"

CellResult Form1::siteIpCell(const QString& domain)
{
    const PingResult ping = pingAddress(domain, m_platform.pingProgram());
    return {ping.text, ping.problem};
}

void Form1::Command4_Click()
{
    runLookup(SiteIpColumn);
}
