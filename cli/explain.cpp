#include "cli/explain.h"

#include "cli/console.h"
#include "queries/engine/keys.h"
#include "queries/engine/walker.h"
#include "queries/lookups/builtin.h"
#include "queries/lookups/registration.h"
#include "settings/settings.h"

#include <QEventLoop>

using namespace Qt::Literals::StringLiterals;

ExitStatus explainRegistration(const QString& name)
{
    Settings settings;
    Walker walker(settings, std::make_shared<const LookupTable>(makeLookupTable()));
    RegistrationQuestion question(name, walker.jobContext(Key::RegStatus));
    QEventLoop loop;
    QObject::connect(&question, &RegistrationQuestion::finished, &loop, &QEventLoop::quit);
    loop.exec();
    const ReceivedAnswer& answer = question.answer();
    // The registry's lines as sent, but what would move the cursor, retitle the terminal or end the text early.
    writeText(stdout, visibleControls(explainAnswer(answer)) + u'\n');
    const QString status = answer.cells.value(Key::RegStatus).text;
    return status == u"已注册"_s || status == u"未注册"_s ? ExitStatus::Answered : ExitStatus::SomeFailed;
}
