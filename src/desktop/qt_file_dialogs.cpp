#include <QFileDialog>

#include "services/file_dialogs.h"

namespace {

// "*.*" means every file, as it does on Windows, names without a dot included; every
// letter matches either case, since names on Linux are case-sensitive.
QString DesktopPattern(const QString& pattern) {
    if (pattern == QStringLiteral("*.*")) return QStringLiteral("*");
    QString matched;
    for (const QChar c : pattern) {
        if (c.isLetter())
            matched += QString('[') + c.toLower() + c.toUpper() + ']';
        else
            matched += c;
    }
    return matched;
}

}  // namespace

QString QtNameFilterOf(const FileFilter& filter) {
    QStringList patterns;
    for (const QString& pattern : filter.patterns.split(';', Qt::SkipEmptyParts)) {
        const QString matched = DesktopPattern(pattern.trimmed());
        if (!matched.isEmpty() && !patterns.contains(matched)) patterns << matched;
    }
    return filter.label + " (" + patterns.join(' ') + ")";
}

namespace {

class QtFileDialogs final : public FileDialogs {
  public:
    std::optional<QString> Open(QWidget* owner, const FileDialogRequest& request) override {
        return Run(owner, request, QFileDialog::AcceptOpen);
    }
    std::optional<QString> Save(QWidget* owner, const FileDialogRequest& request) override {
        return Run(owner, request, QFileDialog::AcceptSave);
    }

  private:
    static std::optional<QString> Run(QWidget* owner, const FileDialogRequest& request,
                                      QFileDialog::AcceptMode mode) {
        QFileDialog dialog(owner, request.title, request.initialFolder);
        dialog.setAcceptMode(mode);
        dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                           : QFileDialog::AnyFile);
        QStringList filters;
        for (const FileFilter& filter : request.filters) filters << QtNameFilterOf(filter);
        // The list shows the labels alone; the patterns behind them are the dialog's business.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilters(filters);
        const int index = request.filterIndex - 1;
        if (index >= 0 && index < filters.size()) dialog.selectNameFilter(filters[index]);
        // A typed name must come back as typed, without an appended extension.
        dialog.setDefaultSuffix(QString());
        if (!request.fileName.isEmpty() && !request.fileName.contains('*'))
            dialog.selectFile(request.fileName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().first();
    }
};

}  // namespace

std::unique_ptr<FileDialogs> MakeQtFileDialogs() {
    return std::make_unique<QtFileDialogs>();
}
