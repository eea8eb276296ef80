#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

struct FileFilter {
    QString label;     // shown to the user, for example "Wav file"
    QString patterns;  // ';'-separated, for example "*.mp3;*.wav"
};

struct FileDialogRequest {
    QString title;
    QString initialFolder;  // empty: the system's default folder
    QString fileName;       // text the name field starts with
    std::vector<FileFilter> filters;
    int filterIndex = 1;  // 1-based, as the classic dialogs count
};

// Open and save dialogs; nothing when cancelled or failed.
class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    virtual std::optional<QString> Open(QWidget* owner, const FileDialogRequest& request) = 0;
    virtual std::optional<QString> Save(QWidget* owner, const FileDialogRequest& request) = 0;
};

std::unique_ptr<FileDialogs> MakeQtFileDialogs();

// The name filter a Qt dialog takes for a filter: its label and its patterns, each letter
// of a pattern matching either case and "*.*" matching every name.
QString QtNameFilterOf(const FileFilter& filter);
