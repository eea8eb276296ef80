#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "desktop/default_browser.h"
#include "services/launcher.h"

namespace {

// A target with a scheme of two letters or more is a URL; anything else is a path.
bool IsUrl(const QString& target) {
    const QUrl url(target, QUrl::StrictMode);
    return url.isValid() && url.scheme().size() > 1;
}

int CodeForMissing(const QString& path) {
    return QFileInfo(QFileInfo(path).absolutePath()).isDir() ? SE_ERR_FNF : SE_ERR_PNF;
}

class DesktopLauncher final : public Launcher {
  public:
    int Open(const QString& target) override {
        if (target.isEmpty()) return SE_ERR_FNF;
        QUrl url;
        if (IsUrl(target)) {
            url = QUrl(target);
        } else {
            const QFileInfo file(target);
            if (!file.exists()) return CodeForMissing(target);
            if (!file.isReadable()) return SE_ERR_ACCESSDENIED;
            url = QUrl::fromLocalFile(file.absoluteFilePath());
        }
        return QDesktopServices::openUrl(url) ? kLaunched : SE_ERR_NOASSOC;
    }

    int Start(const QString& program, const QStringList& arguments) override {
        if (program.isEmpty()) return SE_ERR_FNF;
        return QProcess::startDetached(program, arguments) ? kLaunched : SE_ERR_FNF;
    }

    std::optional<QString> BrowserCommand() override {
        return DefaultBrowserCommand(XdgDirectoriesFromEnvironment());
    }
};

}  // namespace

std::unique_ptr<Launcher> MakeDesktopLauncher() {
    return std::make_unique<DesktopLauncher>();
}
