#include "app/Form1.h"
#include "app/Platform.h"
#include "settings/settings.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>
#include <sys/resource.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Each request in flight, each ping and each cached connection holds a file; the soft limit many
// desktops start programs with (1,024) is the only one a large batch could meet.
void raiseOpenFileLimit()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

int main(int argc, char* argv[])
{
    raiseOpenFileLimit();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"seo-quillmark"_s);
    QGuiApplication::setWindowIcon(QIcon(u":/icons/quillmark.ico"_s));

    DesktopPlatform platform;
    Settings settings;
    Form1 window(platform, settings);
    window.setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(), window.screen()->availableGeometry()));
    window.show();
    return app.exec();
}
