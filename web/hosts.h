#pragma once

#include <QString>

enum class Service { Registrar, Icp, Baidu, Alexa, Yahoo, Update, Iana, Tranco, Dns, Whois };

// The host (or host:port) a service is reached at: its QUILLMARK_HOST_* variable when set, else the default.
QString serviceHost(Service service);
// The same with its scheme, "https://data.iana.org": a variable without one gets the service's own.
QString serviceAddress(Service service);
