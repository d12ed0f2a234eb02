#pragma once

class QString;

// seo-quillmark --explain NAME: asks NAME's registry now and prints its answer as received, with the lines each
// registration cell comes from. Exit status: 0 the registry said whether the name is held, 1 it did not.
int explainRegistration(const QString& name);
