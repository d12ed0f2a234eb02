#include "cli/explain.h"

#include "queries/keys.h"
#include "queries/registration.h"
#include "queries/walker.h"
#include "settings/settings.h"

#include <QEventLoop>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int explainRegistration(const QString& name)
{
    Settings settings;
    Walker walker(settings);
    RegistrationQuestion question(name, walker.jobContext(Key::RegStatus));
    QEventLoop loop;
    QObject::connect(&question, &RegistrationQuestion::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const RegistrationAnswer& answer = question.answer();
    std::fputs(qPrintable(explainAnswer(answer) + u'\n'), stdout);
    const QString status = answer.cells.value(Key::RegStatus).text;
    return status == u"已注册"_s || status == u"未注册"_s ? 0 : 1;
}
