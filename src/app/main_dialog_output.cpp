#include "app/main_dialog.h"
#include "core/output_naming.h"
#include "core/settings_store.h"
#include "desktop/file_exists.h"
#include "karaoke/karaoke_media.h"
#include "platform/platform.h"
#include "services/file_dialogs.h"

QString MainDialog::GetDefaultOutputFolder(const QString& section, const QString& name,
                                           const QString& fallback) {
    if (osVersion_.major < 6) return settings_.ReadString(section, name, fallback);
    const std::optional<QString> music = platform_.system->MusicFolder();
    if (!music) {
        ShowMessage("Can not get My Music directory!", "Error");
        return settings_.ReadString(section, name, fallback);
    }
    const qsizetype slash = fallback.lastIndexOf('/');
    const QString tail = slash < 0 ? QString() : fallback.mid(slash);
    return settings_.ReadString(section, name, *music + tail);
}

void MainDialog::BrowseOutputFile() {
    FileDialogRequest request;
    request.title = "Select Output";
    request.initialFolder = BrowseStartFolderOf(outputPath_);
    request.fileName = "*.*";
    request.filters = {{"Wav file", "*.wav"}};
    request.filterIndex = 1;
    const std::optional<QString> chosen = platform_.fileDialogs->Save(this, request);
    if (!chosen) return;
    const QString path = WavPathFor(*chosen);
    if (recording_.RefuseSongFile(path)) return;
    outputPath_ = path;
    outputFolder_ = FolderOf(outputPath_);
    settings_.WriteString(kOptionSection, kLastOutputFolderValue, outputFolder_);
    SetOutputPathText(outputPath_);
}

void MainDialog::DeriveOutputPath(const QString& mediaPath) {
    outputPath_ = outputFolder_ + WavNameFor(mediaPath);
    SetOutputPathText(outputPath_);
}

bool MainDialog::IsSongFile(const QString& path) {
    const QString& media = playback_.mediaPath();
    if (media.isEmpty()) return false;
    if (IsSameFile(path, media)) return true;
    // A song's audio may lie beside its graphics or lyrics under the output's very name.
    const KaraokeMedia song = ResolveKaraokeMedia(media);
    return song.archivePath.isEmpty() &&
           (IsSameFile(path, song.audioPath) || IsSameFile(path, song.visualPath));
}
