// SPDX-License-Identifier: GPL-3.0-or-later
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
    // Answered only when the registry said which: a failure, a refusal or an answer nobody could read is not one.
    const CellValue status = answer.cells.value(Key::RegStatus).value;
    const bool said = status.kind() == CellValue::Kind::Verdict && status.verdict() != Verdict::Unknown;
    return said ? ExitStatus::Answered : ExitStatus::SomeFailed;
}
