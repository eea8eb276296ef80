#include <QApplication>

#include "app/karaoke_app.h"
#include "karaoke/extraction_folder.h"
#include "platform/platform.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    RemoveStaleExtractionFolders();
    application.setDesktopFileName(QStringLiteral("org.example.tarvelo"));
    const QString name = KaraokeApp::ApplicationNameOf(QString::fromLocal8Bit(argv[0]));
    application.setApplicationName(name);
    const auto platform = MakeDesktopPlatform(KaraokeApp::kCompanyKey, name);
    KaraokeApp karaoke;
    return karaoke.InitInstance(*platform);
}
