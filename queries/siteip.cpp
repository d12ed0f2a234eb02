#include "app/Form1.h"
#include "app/Platform.h"
#include "app/ResultsGrid.h"
#include "web/ping.h"

void Form1::Command4_Click()
{
    walk(Walk::WithStop, SiteIpColumn, [this](const QString& domain) { return GetIP(domain, m_platform.pingProgram()); });
}
