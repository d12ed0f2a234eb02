#include "app/Form1.h"
#include "app/Platform.h"

#include <QApplication>
#include <QScreen>
#include <QStyle>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"seo-quillmark"_s);
    QGuiApplication::setWindowIcon(QIcon(u":/icons/quillmark.ico"_s));

    DesktopPlatform platform;
    Form1 window(platform);
    window.setGeometry(
        QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window.size(), window.screen()->availableGeometry()));
    window.show();
    return app.exec();
}
