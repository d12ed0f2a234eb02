#include "cli/explain.h"

#include "queries/engine/keys.h"
#include "queries/engine/walker.h"
#include "queries/lookups/builtin.h"
#include "queries/lookups/registration.h"
#include "settings/settings.h"

#include <QEventLoop>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int explainRegistration(const QString& name)
{
    Settings settings;
    Walker walker(settings, std::make_shared<const LookupTable>(makeLookupTable()));
    RegistrationQuestion question(name, walker.jobContext(Key::RegStatus));
    QEventLoop loop;
    QObject::connect(&question, &RegistrationQuestion::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const ReceivedAnswer& answer = question.answer();
    std::fputs(qPrintable(explainAnswer(answer) + u'\n'), stdout);
    const QString status = answer.cells.value(Key::RegStatus).text;
    return status == u"已注册"_s || status == u"未注册"_s ? 0 : 1;
}
