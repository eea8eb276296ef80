#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
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

// How long the opener may take to say that it found no program for the target. One that
// is still at work by then has found one: in some desktops it runs the program itself.
constexpr int kOpenerVerdictMs = 1500;

// The desktop's opener, whose exit status tells a target nothing can open from one that
// opened; without it, Qt's own way to the desktop, which cannot tell.
int OpenWithDesktop(const QUrl& url) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) return QDesktopServices::openUrl(url) ? kLaunched : SE_ERR_NOASSOC;
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(opener);
    process->setArguments({url.toString(QUrl::FullyEncoded)});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    process->start();
    if (!process->waitForStarted(kOpenerVerdictMs)) {
        process->deleteLater();
        return SE_ERR_NOASSOC;
    }
    if (!process->waitForFinished(kOpenerVerdictMs)) return kLaunched;
    const bool opened = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    return opened ? kLaunched : SE_ERR_NOASSOC;
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
        return OpenWithDesktop(url);
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
