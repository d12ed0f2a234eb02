// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/exitstatus.h"

class QString;

// seo-quillmark --explain NAME: asks NAME's registry now and prints its answer as received, with the lines each
// registration cell comes from. Answered when the registry said whether the name is held, SomeFailed when it
// did not.
ExitStatus explainRegistration(const QString& name);
