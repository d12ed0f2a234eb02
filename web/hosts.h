#pragma once

#include <QString>

enum class Service { Registrar, Icp, Baidu, Alexa, Yahoo, Update };

// The host (or host:port) a service is reached at: its QUILLMARK_HOST_* variable when set, else the default.
QString serviceHost(Service service);
